// The trig tables, the engine context's buffers, the demo's random generator and the data-file helper.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/datafile.h"
#include "core/trig_tables.h"
#include "core/portable.h"
#include "core/random.h"
#include "shell/engine_context.h"

namespace {

TEST(TrigTables, HoldEachWholeDegree) {
  EXPECT_EQ(sinDegrees[90], 1.0f);
  EXPECT_EQ(cosDegrees[0], 1.0f);
  EXPECT_EQ(sinDegrees[30], (float)std::sin(30 * 2.0 * M_PI / 360.0));
  EXPECT_EQ(cosDegrees[180], -1.0f);
  EXPECT_EQ(sinDegrees[270], -1.0f);
}

// The tables are written into the code so that other C libraries draw the same; on Linux they must
// still be exactly what glibc's sin and cos give, bit for bit (the zeros' signs included).
TEST(TrigTables, AreTheLinuxLibmResults) {
  for (int i = 0; i < 360; ++i) {
    double x = i * 2.0 * M_PI / 360.0;
    float s = (float)std::sin(x), c = (float)std::cos(x);
    EXPECT_EQ(std::memcmp(&sinDegrees[i], &s, sizeof s), 0) << "sin of " << i << " degrees";
    EXPECT_EQ(std::memcmp(&cosDegrees[i], &c, sizeof c), 0) << "cos of " << i << " degrees";
  }
}

TEST(EngineContext, AnnouncesItsThreeScratchBitmaps) {
  testing::internal::CaptureStdout();
  EngineContext ctx(320, 240);
  std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed, "Allocated bitmap: 1600 x 1200 x 32 \n"
                     "Allocated bitmap: 1600 x 1200 x 32 \n"
                     "Allocated bitmap: 320 x 240 x 32 \n");
  EXPECT_FALSE(ctx.failure);
}

TEST(EngineContext, ClearZBufferSetsEveryDepthToFarthest) {
  EngineContext ctx(320, 240);
  for (int i = 0; i < 320 * 240; ++i) ctx.space.depths[i] = (uint16_t)i;
  ctx.clearZBuffer();
  int far = 0;
  for (int i = 0; i < 320 * 240; ++i) far += ctx.space.depths[i] == 0xFFFF;
  EXPECT_EQ(far, 76800);
}

TEST(DemoRandom, FollowsTheLinearCongruenceFromStateOne) {
  zub::demoRandReset();
  // state 1 -> 1*214013+2531011 = 2745024 -> (2745024 >> 16) & 0x7FFF = 41
  EXPECT_EQ(zub::demoRand(), 41);
  EXPECT_EQ(zub::demoRand(), 18467);
  EXPECT_EQ(zub::demoRand(), 6334);
  EXPECT_EQ(zub::demoRand(), 26500);
  for (int i = 0; i < 10000; ++i) {
    int v = zub::demoRand();
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 32767);
  }
  zub::demoRandReset();
  EXPECT_EQ(zub::demoRand(), 41);
}

TEST(DataFile, MapsBackslashesAndMatchesCaseInsensitively) {
  namespace fs = std::filesystem;
  fs::path root = fs::temp_directory_path() / "zub_datafile_test";
  fs::remove_all(root);
  fs::create_directories(root / "Dat");
  std::ofstream(root / "Dat" / "Logo.JPG") << "x";
  std::string base = root.string();
  EXPECT_EQ(zub::dataPath(base + "\\dat\\logo.jpg"), base + "/Dat/Logo.JPG");
  EXPECT_EQ(zub::dataPath(base + "/Dat/Logo.JPG"), base + "/Dat/Logo.JPG");
  FILE* f = zub::openDataFile(base + "\\DAT\\LOGO.jpg", "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(fgetc(f), 'x');
  fclose(f);
  EXPECT_EQ(zub::openDataFile(base + "\\dat\\missing.jpg", "rb"), nullptr);
  std::string contents;
  EXPECT_TRUE(zub::readDataFile(base + "\\dat\\logo.jpg", contents));
  EXPECT_EQ(contents, "x");
  fs::remove_all(root);
}

// The folder helper keeps mkdir's contract (0, or -1 with errno) on every platform: callers accept
// EEXIST and report anything else.
TEST(Portable, MakeFolderCreatesOnceThenSaysItExists) {
  namespace fs = std::filesystem;
  fs::path root = fs::temp_directory_path() / "zub_portable_test";
  fs::remove_all(root);
  EXPECT_EQ(zub::makeFolder(root.string().c_str()), 0);
  EXPECT_TRUE(fs::is_directory(root));
  errno = 0;
  EXPECT_EQ(zub::makeFolder(root.string().c_str()), -1);
  EXPECT_EQ(errno, EEXIST);
  errno = 0;
  EXPECT_EQ(zub::makeFolder((root / "no" / "parent").string().c_str()), -1);
  EXPECT_EQ(errno, ENOENT);
  FILE* sink = fopen(zub::nullDevice, "w");
  ASSERT_NE(sink, nullptr);
  EXPECT_GT(fprintf(sink, "swallowed\n"), 0);
  EXPECT_EQ(fclose(sink), 0);
  fs::remove_all(root);
}

} // namespace
