// The offline renderer: virtual frame times, the writers of src/capture (outputs under temporary
// names, the Y4M writer, the PNG sequence) and a short render in-process.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

#include "capture/os_services.h"
#include "capture/output_file.h"
#include "capture/png_sequence.h"
#include "capture/y4m_writer.h"
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
  EXPECT_EQ(probe.dueTicks(0), 0);
  EXPECT_EQ(probe.dueTicks(1), 34);
  EXPECT_EQ(probe.dueTicks(2), 67);
  EXPECT_EQ(probe.dueTicks(3), 100);
  EXPECT_EQ(probe.dueTicks(4), 134);
  EXPECT_EQ(probe.dueTicks(30), 1000);

  // Across a whole demo's worth of frames, a pacer on the virtual clock agrees.
  zub::clockUseVirtual(0);
  FramePacer pacer;
  for (int n = 0; n < 9000; ++n) {
    int32_t t = pacer.dueTicks(n);
    if (t > 0) {
      zub::clockSetVirtual(t - 1);
      ASSERT_FALSE(pacer.frameDue()) << "frame " << n << " due before " << t;
    }
    zub::clockSetVirtual(t);
    ASSERT_TRUE(pacer.frameDue()) << "frame " << n << " not due at " << t;
  }
  zub::clockUseWall();
}

TEST(Y4mWriter, WritesHeaderAndFramesOfTheExactSize) {
  fs::path file = fs::temp_directory_path() / ("zub_y4m_" + std::to_string(getpid()) + ".y4m");
  std::vector<uint32_t> frame(4 * 2, 0xFFFFFF);
  frame[1] = 0x000000;
  for (bool use444 : {false, true}) {
    zub::Y4mWriter writer;
    zub::Failure failed = writer.open(file.string(), 4, 2, 30, use444);
    ASSERT_FALSE(failed) << failed.message;
    ASSERT_FALSE(writer.writeFrame(frame.data()));
    ASSERT_FALSE(writer.writeFrame(frame.data()));
    ASSERT_FALSE(writer.close());
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

TEST(Y4mWriter, HeaderCarriesRateAspectAndFieldOrderAndPlanesPassUnchanged) {
  fs::path file = fs::temp_directory_path() / ("zub_y4m_planes_" + std::to_string(getpid()) + ".y4m");
  zub::OutputFile out;
  zub::Failure failed = out.begin(file.string(), true);
  ASSERT_FALSE(failed) << failed.message;
  zub::Y4mFormat format;
  format.width = 4;
  format.height = 2;
  format.rateNumerator = 30000;
  format.rateDenominator = 1001;
  format.interlace = 't';
  format.aspectNumerator = 64;
  format.aspectDenominator = 45;
  format.chroma = "420mpeg2";
  zub::Y4mWriter writer;
  ASSERT_FALSE(writer.start(out.file, file.string(), format));
  const uint8_t planes[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  ASSERT_FALSE(writer.writePlanes(planes, sizeof planes));
  EXPECT_FALSE(fs::exists(file)); // nothing under the real name before the commit
  failed = out.commit();
  ASSERT_FALSE(failed) << failed.message;
  EXPECT_EQ(readAll(file), std::string("YUV4MPEG2 W4 H2 F30000:1001 It A64:45 C420mpeg2\nFRAME\n") +
                               std::string((const char*)planes, sizeof planes));
  EXPECT_EQ(writer.framesWritten, 1);
  fs::remove(file);
}

TEST(OutputFile, AppearsOnlyWhenCommittedAndLeavesNoTemporaryOtherwise) {
  fs::path dir = fs::temp_directory_path() / ("zub_output_" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::path target = dir / "it's -x.bin";
  std::ofstream(target) << "old";
  {
    zub::OutputFile out;
    ASSERT_FALSE(out.begin(target.string(), true));
    EXPECT_EQ(fs::path(out.temporary).parent_path(), dir); // beside the target, so the rename is atomic
    fputs("half", out.file);
  } // abandoned: the old file stays, the temporary goes
  EXPECT_EQ(readAll(target), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  zub::OutputFile out;
  ASSERT_FALSE(out.begin(target.string(), true));
  fputs("new", out.file);
  zub::Failure failed = out.commit();
  ASSERT_FALSE(failed) << failed.message;
  EXPECT_EQ(readAll(target), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

  zub::OutputFile nowhere;
  failed = nowhere.begin((dir / "no-such-folder" / "x.bin").string(), true);
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.message, "cannot write " + (dir / "no-such-folder" / "x.bin").string() + ": No such file or directory\n");
  fs::remove_all(dir);
}

// A named pipe (like /dev/null, a device) is written into, never replaced by a finished file
// renamed over it; abandoned, it is left where it was.
TEST(OutputFile, WritesIntoANamedPipeAndLeavesItInPlace) {
  fs::path dir = fs::temp_directory_path() / ("zub_pipe_" + std::to_string(getpid()));
  fs::create_directories(dir);
  fs::path pipe = dir / "video.y4m";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  for (bool commit : {true, false}) {
    std::string got;
    std::thread reader([&] { got = readAll(pipe); });
    {
      zub::OutputFile out;
      zub::Failure failed = out.begin(pipe.string(), true);
      ASSERT_FALSE(failed) << failed.message;
      fputs("frames", out.file);
      if (commit) {
        failed = out.commit();
        EXPECT_FALSE(failed) << failed.message;
      }
    }
    reader.join();
    EXPECT_EQ(got, "frames");
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);  // no temporary
  }
  fs::remove_all(dir);
}

TEST(PngSequence, RefusesAFolderItCannotMakeWithTheReason) {
  zub::PngSequence png;
  zub::Failure failed = png.open("/proc/zub-no-such-place", 6);
  EXPECT_TRUE(failed);
  EXPECT_EQ(failed.message.find("cannot create folder /proc/zub-no-such-place: "), 0u) << failed.message;
  fs::path file = fs::temp_directory_path() / ("zub_png_file_" + std::to_string(getpid()));
  std::ofstream(file) << "x";
  failed = png.open(file.string(), 6);
  EXPECT_EQ(failed.message, "cannot create folder " + file.string() + ": Not a directory\n");
  fs::remove(file);
}

TEST(PngSequence, NamesPicturesByNumberAndKeepsNoTemporary) {
  fs::path dir = fs::temp_directory_path() / ("zub_png_" + std::to_string(getpid()));
  zub::PngSequence png;
  zub::Failure failed = png.open(dir.string(), 5);
  ASSERT_FALSE(failed) << failed.message;
  std::vector<uint32_t> pixels(6, 0x102030);
  ASSERT_FALSE(png.write(7, pixels.data(), 3, 2));
  ASSERT_FALSE(png.write(12, pixels.data(), 3, 2));
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"frame_00007.png", "frame_00012.png"}));
  EXPECT_EQ(png.written, 2);
  fs::remove_all(dir);
}

int openDescriptors() {
  return (int)std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
}

TEST(ChildProcess, OneThatCannotStartLeavesNothingOpen) {
  const int before = openDescriptors();
  zub::ChildProcess child;
  zub::Failure failed = zub::startProcess({"/nonexistent/zub-helper"}, true, child);
  EXPECT_EQ(failed.message, "cannot run /nonexistent/zub-helper: No such file or directory\n");
  EXPECT_EQ(child.pid, -1);
  EXPECT_EQ(child.errors, nullptr);
  EXPECT_EQ(openDescriptors(), before); // neither its standard-error file nor the pipe
}

TEST(ChildProcess, ItsInputArrivesAndItsStatusAndLastLinesComeBack) {
  zub::ChildProcess child;
  const char* script = "read word; for i in 1 2 3 4 5 6; do echo \"$word $i\" >&2; done; exit 3";
  zub::Failure failed = zub::startProcess({"/bin/sh", "-c", script}, true, child);
  ASSERT_FALSE(failed) << failed.message;
  fputs("line\n", child.input);
  std::string lastLines;
  EXPECT_EQ(zub::finishProcess(child, lastLines), 3);
  EXPECT_EQ(lastLines, "line 2\nline 3\nline 4\nline 5\nline 6");
  EXPECT_EQ(child.errors, nullptr);
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
