// The offline renderer: virtual frame times, argument checking, the Y4M writer and a short
// render in-process.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "image/y4m_writer.h"
#include "core/clock.h"
#include "shell/frame_pacer.h"
#include "shell/offline_render.h"

namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(VirtualFrameTime, IsTheFirstMillisecondThePacerGrantsEachFrame) {
  FramePacer probe;
  EXPECT_EQ(zub::virtualFrameTime(0, probe.periodTicks), 0);
  EXPECT_EQ(zub::virtualFrameTime(1, probe.periodTicks), 34);
  EXPECT_EQ(zub::virtualFrameTime(2, probe.periodTicks), 67);
  EXPECT_EQ(zub::virtualFrameTime(3, probe.periodTicks), 100);
  EXPECT_EQ(zub::virtualFrameTime(4, probe.periodTicks), 134);
  EXPECT_EQ(zub::virtualFrameTime(30, probe.periodTicks), 1000);

  // Across a whole demo's worth of frames, a pacer on the virtual clock agrees.
  zub::clockUseVirtual(0);
  FramePacer pacer;
  for (int n = 0; n < 9000; ++n) {
    int32_t t = zub::virtualFrameTime(n, pacer.periodTicks);
    if (t > 0) {
      zub::clockSetVirtual(t - 1);
      ASSERT_FALSE(pacer.frameDue()) << "frame " << n << " due before " << t;
    }
    zub::clockSetVirtual(t);
    ASSERT_TRUE(pacer.frameDue()) << "frame " << n << " not due at " << t;
  }
  zub::clockUseWall();
}

// Runs the argument parser on `args`; returns its status and error.
int parse(std::vector<std::string> args, zub::RenderOptions& o, std::string& error) {
  args.insert(args.begin(), "zubrender");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  return zub::parseRenderArgs((int)argv.size(), argv.data(), o, error);
}

TEST(RenderArgs, AcceptGoodCommandLines) {
  zub::RenderOptions o;
  std::string error;
  fs::path dir = fs::temp_directory_path() / ("zub_args_" + std::to_string(getpid()));
  EXPECT_EQ(parse({"--out", dir.string(), "--from", "1.5", "--to", "3", "--every", "4", "--scale", "2"}, o, error), -1)
      << error;
  EXPECT_EQ(o.from, 1.5);
  EXPECT_EQ(o.to, 3);
  EXPECT_EQ(o.every, 4);
  EXPECT_EQ(o.scale, 2);
  EXPECT_TRUE(fs::is_directory(dir)); // made when missing
  fs::remove_all(dir);
  zub::RenderOptions b;
  EXPECT_EQ(parse({"--bench"}, b, error), -1);
  EXPECT_TRUE(b.bench);
  testing::internal::CaptureStdout();
  EXPECT_EQ(parse({"--help"}, b, error), 0);
  std::string help = testing::internal::GetCapturedStdout();
  for (const char* option : {"--out", "--from", "--to", "--every", "--scale", "--y4m", "--sheet", "--bench", "--quiet", "example"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
}

TEST(RenderArgs, RejectBadCommandLinesWithStatusTwoAndAReason) {
  struct Case {
    std::vector<std::string> args;
    const char* reason;
  } cases[] = {
      {{"--frobnicate"}, "unknown option '--frobnicate'"},
      {{"--bench", "--from", "5", "--to", "2"}, "--from must not be after --to"},
      {{"--bench", "--from", "abc"}, "--from takes seconds"},
      {{"--bench", "--to", "-1"}, "--to takes seconds"},
      {{"--bench", "--every", "0"}, "--every takes a whole number"},
      {{"--bench", "--scale", "9"}, "--scale takes a whole number from 1 to 8"},
      {{"--bench", "--scale", "1.5"}, "--scale takes a whole number"},
      {{"--out"}, "--out needs a value"},
      {{}, "nothing to do"},
      {{"--bench", "--y4m", "/tmp/x.y4m"}, "--bench writes nothing"},
      {{"--out", "/proc/zub-no-such-place"}, "cannot create output folder /proc/zub-no-such-place"},
      {{"--y4m", "/proc/zub-no-such-place/x.y4m"}, "cannot write /proc/zub-no-such-place/x.y4m"},
      {{"--y4m", "x.y4m", "--chroma", "422"}, "--chroma takes 420 or 444"},
  };
  for (const Case& c : cases) {
    zub::RenderOptions o;
    std::string error;
    EXPECT_EQ(parse(c.args, o, error), 2) << c.reason;
    EXPECT_EQ(error.find(c.reason), 0u) << "got: " << error;
  }
}

TEST(Y4mWriter, WritesHeaderAndFramesOfTheExactSize) {
  fs::path file = fs::temp_directory_path() / ("zub_y4m_" + std::to_string(getpid()) + ".y4m");
  std::vector<uint32_t> frame(4 * 2, 0xFFFFFF);
  frame[1] = 0x000000;
  for (bool use444 : {false, true}) {
    zub::Y4mWriter writer;
    std::string error;
    ASSERT_TRUE(writer.open(file.string(), 4, 2, 30, use444, error)) << error;
    ASSERT_TRUE(writer.writeFrame(frame.data(), error));
    ASSERT_TRUE(writer.writeFrame(frame.data(), error));
    ASSERT_TRUE(writer.close(error));
    std::string bytes = readAll(file);
    std::string header = use444 ? "YUV4MPEG2 W4 H2 F30:1 Ip A1:1 C444\n" : "YUV4MPEG2 W4 H2 F30:1 Ip A1:1 C420jpeg\n";
    ASSERT_EQ(bytes.compare(0, header.size(), header), 0);
    size_t frameBytes = 6 + 8 + 2 * (use444 ? 8 : 2);
    ASSERT_EQ(bytes.size(), header.size() + 2 * frameBytes);
    const unsigned char* f = (const unsigned char*)bytes.data() + header.size();
    EXPECT_EQ(std::string((const char*)f, 6), "FRAME\n");
    EXPECT_EQ(f[6], 235); // white is full-scale luma
    EXPECT_EQ(f[7], 16);  // black is the floor
    EXPECT_EQ(f[6 + 8], 128); // grey chroma
  }
  fs::remove(file);
}

TEST(RenderDemo, RendersOnlyTheFramesUpToTheEndTime) {
  fs::path previous = fs::current_path();
  fs::current_path(fs::path(ZUB_SOURCE_DIR) / "data");
  fs::path y4m = fs::temp_directory_path() / ("zub_render_" + std::to_string(getpid()) + ".y4m");
  zub::RenderOptions o;
  o.y4mPath = y4m.string();
  o.to = 1.0;
  o.progress = false;
  testing::internal::CaptureStdout();
  EXPECT_EQ(zub::renderDemo(o), 0);
  std::string printed = testing::internal::GetCapturedStdout();
  fs::current_path(previous);
  zub::clockUseWall();
  // Frames 0..30 fall due at 0..1000 ms.
  std::string header = "YUV4MPEG2 W320 H240 F30:1 Ip A1:1 C420jpeg\n";
  EXPECT_EQ(fs::file_size(y4m), header.size() + 31 * (6 + 320 * 240 * 3 / 2));
  EXPECT_NE(printed.find("start running the demo\n"), std::string::npos);
  EXPECT_EQ(printed.substr(printed.size() - 29), "key has been hit, exiting...\n");
  fs::remove(y4m);
}

} // namespace
