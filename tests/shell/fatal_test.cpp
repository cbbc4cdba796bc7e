// A fatal message keeps its line on standard output and, when that is not a terminal, is also
// written to standard error.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "core/fatal.h"
#include "shell/demo_app.h"
#include "video/video_clip.h"

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(Fatal, RedirectedOutputAlsoReachesStandardError) {
  std::string path = testing::TempDir() + "fatal_stdout.txt";
  EXPECT_EXIT(
      {
        if (!freopen(path.c_str(), "w", stdout)) exit(99);
        zub::fatal(3, "Error: opening file %s\n", "dat\\x.jpg");
      },
      testing::ExitedWithCode(3), "^Error: opening file dat\\\\x.jpg\n$");
  EXPECT_EQ(slurp(path), "Error: opening file dat\\x.jpg\n");
}

TEST(Fatal, OnATerminalTheLineIsPrintedOnce) {
  EXPECT_EXIT(
      {
        int master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) || unlockpt(master)) exit(99);
        int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
        if (terminal < 0 || dup2(terminal, 1) < 0) exit(99);
        zub::fatal(255, "MIDAS error: %s\n", "no module");
      },
      testing::ExitedWithCode(255), "^$");
}

TEST(Fatal, TheDemoStopsOnAReportedFailureWithItsTextAndStatus) {
  stopIfFailed(zub::Failure{});  // success: nothing happens
  zub::Failure failure = zub::failure(-1, "Error: %s\n", "dat\\gone.lwo");
  EXPECT_EQ(failure.message, "Error: dat\\gone.lwo\n");
  EXPECT_EXIT(
      {
        dup2(2, 1);
        stopIfFailed(failure);
      },
      testing::ExitedWithCode(255), "^Error: dat\\\\gone.lwo\n");
  // A library that printed its own message leaves only the status.
  EXPECT_EXIT(stopIfFailed(zub::failure(1, "%s", "")), testing::ExitedWithCode(1), "^$");
}

TEST(Fatal, AClipFailureStopsWithTheDecodersMessageOnItsOwnStream) {
  std::string path = testing::TempDir() + "clip_stdout.txt";
  // The decoder's own messages belong on standard error alone; "header error" is a fatal line.
  EXPECT_EXIT(
      {
        if (!freopen(path.c_str(), "w", stdout)) exit(99);
        stopIfFailed(asFailure(MpegFatal{"Unexpected startcode 000001b7 in system layer\n", false}));
      },
      testing::ExitedWithCode(1), "^Unexpected startcode 000001b7 in system layer\n$");
  EXPECT_EQ(slurp(path), "");
  EXPECT_EXIT(
      {
        if (!freopen(path.c_str(), "w", stdout)) exit(99);
        stopIfFailed(asFailure(MpegFatal{"header error\n", true}));
      },
      testing::ExitedWithCode(1), "^header error\n$");
  EXPECT_EQ(slurp(path), "header error\n");
}

} // namespace
