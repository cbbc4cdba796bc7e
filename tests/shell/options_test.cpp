// zubdemo's command line, the data-folder lookup, the wait until the next frame and the
// presentation figures.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "core/clock.h"
#include "core/datafile.h"
#include "shell/data_dir.h"
#include "shell/demo_options.h"
#include "shell/frame_pacer.h"
#include "shell/present_stats.h"

namespace {

using zub::DemoAction;

DemoAction parse(std::vector<const char*> args, zub::DemoOptions& options, std::string& error) {
  args.insert(args.begin(), "zubdemo");
  return zub::parseDemoArgs((int)args.size(), args.data(), options, error);
}

TEST(DemoOptions, NoArgumentsPlayFullscreenWithSound) {
  zub::DemoOptions o;
  std::string error;
  EXPECT_EQ(parse({}, o, error), DemoAction::Run);
  EXPECT_TRUE(o.fullscreen);
  EXPECT_TRUE(o.sound);
  EXPECT_FALSE(o.integerScale);
  EXPECT_FALSE(o.stats);
  EXPECT_EQ(o.windowWidth, 0);
  EXPECT_TRUE(o.dataDir.empty());
}

TEST(DemoOptions, EveryOptionTogether) {
  zub::DemoOptions o;
  std::string error;
  EXPECT_EQ(parse({"--window=640x480", "--integer", "--no-sound", "--data", "/x/y", "--stats"}, o, error),
            DemoAction::Run);
  EXPECT_FALSE(o.fullscreen);
  EXPECT_EQ(o.windowWidth, 640);
  EXPECT_EQ(o.windowHeight, 480);
  EXPECT_TRUE(o.integerScale);
  EXPECT_FALSE(o.sound);
  EXPECT_EQ(o.dataDir, "/x/y");
  EXPECT_TRUE(o.stats);

  zub::DemoOptions p;
  EXPECT_EQ(parse({"--window", "--data=pack"}, p, error), DemoAction::Run);
  EXPECT_FALSE(p.fullscreen);
  EXPECT_EQ(p.windowWidth, 0);
  EXPECT_EQ(p.dataDir, "pack");
}

TEST(DemoOptions, HelpAndVersionWinOverWhatFollows) {
  zub::DemoOptions o;
  std::string error;
  EXPECT_EQ(parse({"--help", "--bogus"}, o, error), DemoAction::Help);
  EXPECT_EQ(parse({"-h"}, o, error), DemoAction::Help);
  EXPECT_EQ(parse({"--window", "--version"}, o, error), DemoAction::Version);
}

TEST(DemoOptions, BadArgumentsSayWhatWasWrong) {
  struct Case {
    std::vector<const char*> args;
    const char* error;
  } cases[] = {
      {{"--fullscreen"}, "unknown option '--fullscreen'"},
      {{"music.dat"}, "unexpected argument 'music.dat'"},
      {{"--data"}, "--data needs a folder"},
      {{"--data="}, "--data needs a folder"},
      {{"--window=640"}, "--window= takes a size such as 640x480, not '640'"},
      {{"--window=640x"}, "--window= takes a size such as 640x480, not '640x'"},
      {{"--window=0x480"}, "--window= takes a size such as 640x480, not '0x480'"},
      {{"--window=-640x480"}, "--window= takes a size such as 640x480, not '-640x480'"},
      {{"--window=640x480x2"}, "--window= takes a size such as 640x480, not '640x480x2'"},
      {{"--window=99999x480"}, "--window= takes a size such as 640x480, not '99999x480'"},
  };
  for (const Case& c : cases) {
    zub::DemoOptions o;
    std::string error;
    EXPECT_EQ(parse(c.args, o, error), DemoAction::Error) << c.args[0];
    EXPECT_EQ(error, c.error);
  }
}

class DataFolder : public ::testing::Test {
protected:
  std::filesystem::path root, previous;
  void SetUp() override {
    previous = std::filesystem::current_path();
    root = std::filesystem::temp_directory_path() / ("zub_data_" + std::to_string(getpid()));
    std::filesystem::create_directories(root / "pack" / "DAT");
    std::ofstream(root / "pack" / "Music.dat") << "module";
    std::ofstream(root / "pack" / "DAT" / "Logo.jpg") << "picture";
    std::filesystem::create_directories(root / "empty");
  }
  void TearDown() override {
    zub::setDataDir("");
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(root);
  }
};

TEST_F(DataFolder, GivenFolderIsUsedWhenItHoldsThePackInAnyLetterCase) {
  std::string dir, error;
  ASSERT_TRUE(zub::findDataDir((root / "pack").string(), "zubdemo", dir, error)) << error;
  EXPECT_EQ(dir, (root / "pack").string());
  zub::setDataDir(dir + "/");
  std::string bytes;
  ASSERT_TRUE(zub::readDataFile("dat\\logo.jpg", bytes));
  EXPECT_EQ(bytes, "picture");
  EXPECT_EQ(zub::dataPath("dat\\logo.jpg"), (root / "pack" / "DAT" / "Logo.jpg").string());
  // Absolute names are not moved into the folder.
  EXPECT_EQ(zub::dataPath((root / "empty").string()), (root / "empty").string());
}

TEST_F(DataFolder, AGivenFolderWithoutThePackFailsNamingIt) {
  std::string dir, error;
  EXPECT_FALSE(zub::findDataDir((root / "empty").string(), "zubdemo", dir, error));
  EXPECT_EQ(error, "zubdemo: the data folder " + (root / "empty").string() +
                       " does not hold the demo's data (music.dat and dat/)");
}

TEST_F(DataFolder, WorkingFolderComesNextThenTheInstalledTree) {
  std::string dir, error;
  std::filesystem::current_path(root / "pack");
  ASSERT_TRUE(zub::findDataDir("", "zubdemo", dir, error));
  EXPECT_EQ(dir, ".");

  // Neither data/ nor ../share/zubdemo beside the test program holds the pack: every place is named.
  std::filesystem::current_path(root / "empty");
  EXPECT_FALSE(zub::findDataDir("", "zubrender", dir, error));
  std::string beside = zub::executableDir() + "/data", installed = zub::executableDir() + "/../share/zubdemo";
  EXPECT_EQ(error, "zubrender: cannot find the demo's data (music.dat and dat/): looked in " +
                       (root / "empty").string() + ", " + beside + " and " + installed +
                       "; run it from the data folder or give the folder with --data DIR");
}

class PacerWait : public ::testing::Test {
protected:
  void SetUp() override { zub::clockUseVirtual(1000); }
  void TearDown() override { zub::clockUseWall(); }
};

TEST_F(PacerWait, TicksUntilDueLeadExactlyToTheNextGrantedFrame) {
  FramePacer pacer;
  pacer.setRate(30.0f);
  EXPECT_EQ(pacer.ticksUntilDue(), 0);
  ASSERT_TRUE(pacer.frameDue());
  // Sleeping the asked time, never less, lands on the frame: frames at 34, 67, 100, ... ms.
  for (int frame = 1; frame < 200; ++frame) {
    int now = zub::clockNow();
    int wait = pacer.ticksUntilDue();
    ASSERT_GT(wait, 0) << frame;
    zub::clockSetVirtual(now + wait - 1);
    ASSERT_FALSE(pacer.frameDue()) << frame;
    zub::clockSetVirtual(now + wait);
    ASSERT_TRUE(pacer.frameDue()) << frame;
  }
  EXPECT_EQ(pacer.dueTicks(3), 100);
  // Behind the clock (a stall), no wait at all.
  zub::clockSetVirtual(zub::clockNow() + 500);
  EXPECT_EQ(pacer.ticksUntilDue(), 0);
}

TEST_F(PacerWait, StatsCountLateFramesAndTheWorstGap) {
  FramePacer pacer;
  pacer.setRate(30.0f);
  zub::PresentStats stats;
  // Frame 0 due at 1000 and shown at once; frame 1 due at 1034, shown 1050; frame 2 due at 1067,
  // shown at 1101 (34 ms after: late); frame 3 due at 1100, shown at 1133 (33 ms: not late).
  for (int shownAt : {1000, 1050, 1101, 1133}) {
    zub::clockSetVirtual(shownAt);
    ASSERT_TRUE(pacer.frameDue());
    stats.record(pacer, shownAt);
  }
  EXPECT_EQ(stats.shown, 4);
  EXPECT_EQ(stats.late, 1);
  EXPECT_EQ(stats.worstGapMs, 51);
  EXPECT_EQ(stats.framesIssued, 4);
}

} // namespace
