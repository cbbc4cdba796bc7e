// The offline renderer: virtual frame times, the writers of src/capture (outputs under temporary
// names, the Y4M writer, the PNG sequence) and a short render in-process.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

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

TEST(Y4mWriter, HeaderCarriesRateAspectAndFieldOrderAndPlanesPassUnchanged) {
  fs::path file = fs::temp_directory_path() / ("zub_y4m_planes_" + std::to_string(getpid()) + ".y4m");
  zub::OutputFile out;
  std::string error;
  ASSERT_TRUE(out.begin(file.string(), true, error)) << error;
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
  ASSERT_TRUE(writer.start(out.file, file.string(), format, error)) << error;
  const uint8_t planes[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  ASSERT_TRUE(writer.writePlanes(planes, sizeof planes, error)) << error;
  EXPECT_FALSE(fs::exists(file)); // nothing under the real name before the commit
  ASSERT_TRUE(out.commit(error)) << error;
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
  std::string error;
  {
    zub::OutputFile out;
    ASSERT_TRUE(out.begin(target.string(), true, error)) << error;
    EXPECT_EQ(fs::path(out.temporary).parent_path(), dir); // beside the target, so the rename is atomic
    fputs("half", out.file);
  } // abandoned: the old file stays, the temporary goes
  EXPECT_EQ(readAll(target), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  zub::OutputFile out;
  ASSERT_TRUE(out.begin(target.string(), true, error)) << error;
  fputs("new", out.file);
  ASSERT_TRUE(out.commit(error)) << error;
  EXPECT_EQ(readAll(target), "new");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

  zub::OutputFile nowhere;
  EXPECT_FALSE(nowhere.begin((dir / "no-such-folder" / "x.bin").string(), true, error));
  EXPECT_EQ(error, "cannot write " + (dir / "no-such-folder" / "x.bin").string() + ": No such file or directory");
  fs::remove_all(dir);
}

TEST(PngSequence, RefusesAFolderItCannotMakeWithTheReason) {
  zub::PngSequence png;
  std::string error;
  EXPECT_FALSE(png.open("/proc/zub-no-such-place", 6, error));
  EXPECT_EQ(error.find("cannot create folder /proc/zub-no-such-place: "), 0u) << error;
  fs::path file = fs::temp_directory_path() / ("zub_png_file_" + std::to_string(getpid()));
  std::ofstream(file) << "x";
  EXPECT_FALSE(png.open(file.string(), 6, error));
  EXPECT_EQ(error, "cannot create folder " + file.string() + ": Not a directory");
  fs::remove(file);
}

TEST(PngSequence, NamesPicturesByNumberAndKeepsNoTemporary) {
  fs::path dir = fs::temp_directory_path() / ("zub_png_" + std::to_string(getpid()));
  zub::PngSequence png;
  std::string error;
  ASSERT_TRUE(png.open(dir.string(), 5, error)) << error;
  std::vector<uint32_t> pixels(6, 0x102030);
  ASSERT_TRUE(png.write(7, pixels.data(), 3, 2, error)) << error;
  ASSERT_TRUE(png.write(12, pixels.data(), 3, 2, error)) << error;
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"frame_00007.png", "frame_00012.png"}));
  EXPECT_EQ(png.written, 2);
  fs::remove_all(dir);
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
