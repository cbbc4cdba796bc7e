// Frame pacer and scene timer on the virtual clock.
#include <gtest/gtest.h>

#include "core/clock.h"
#include "shell/frame_pacer.h"

namespace {

class VirtualClock : public ::testing::Test {
protected:
  void SetUp() override { zub::clockUseVirtual(0); }
  void TearDown() override { zub::clockUseWall(); }
  void at(int ms) { zub::clockSetVirtual(ms); }
};

TEST_F(VirtualClock, PeriodIsTheDoublePrecisionThirtieth) {
  FramePacer pacer;
  EXPECT_EQ(pacer.periodTicks, 33.333332f);
  EXPECT_EQ(pacer.periodSeconds, (float)(1.0 / 30.0));
}

TEST_F(VirtualClock, FramesFallDueAtZero34_67And100Milliseconds) {
  FramePacer pacer;
  EXPECT_TRUE(pacer.frameDue());
  for (int ms : {0, 1, 20, 33}) {
    at(ms);
    EXPECT_FALSE(pacer.frameDue()) << ms;
  }
  at(34);
  EXPECT_TRUE(pacer.frameDue());
  at(66);
  EXPECT_FALSE(pacer.frameDue());
  at(67);
  EXPECT_TRUE(pacer.frameDue());
  at(99);
  EXPECT_FALSE(pacer.frameDue());
  at(100);
  EXPECT_TRUE(pacer.frameDue());
  EXPECT_FALSE(pacer.frameDue());
  EXPECT_EQ(pacer.framesIssued, 4);
}

TEST_F(VirtualClock, AStallIsFollowedByBackToBackFramesNoneSkipped) {
  FramePacer pacer;
  EXPECT_TRUE(pacer.frameDue());
  at(1000);
  int granted = 0;
  while (pacer.frameDue()) ++granted;
  EXPECT_EQ(granted, 30); // frames 1..30; frame 30 is due at exactly 1000 ms
  EXPECT_EQ(pacer.frameIndex, 30);
}

TEST_F(VirtualClock, RestartAndSetRateKeepFramesIssued) {
  FramePacer pacer;
  pacer.frameDue();
  at(40);
  pacer.frameDue();
  ASSERT_EQ(pacer.framesIssued, 2);
  at(500);
  pacer.restart();
  EXPECT_EQ(pacer.framesIssued, 2);
  EXPECT_EQ(pacer.startTicks, 500);
  EXPECT_EQ(pacer.frameIndex, 0);
  pacer.setRate(10.0f);
  EXPECT_EQ(pacer.framesIssued, 2);
  EXPECT_EQ(pacer.rate, 10.0f);
  EXPECT_EQ(pacer.periodTicks, 100.0f);
  // With two frames already issued, nothing is due until the clock says frame 2 is.
  at(699);
  EXPECT_FALSE(pacer.frameDue());
  at(700);
  EXPECT_TRUE(pacer.frameDue());
}

TEST_F(VirtualClock, ElapsedSecondsHasMillisecondResolution) {
  FramePacer pacer;
  at(1234);
  EXPECT_DOUBLE_EQ(pacer.elapsedSeconds(), 1.234);
  EXPECT_EQ(pacer.elapsedTicks, 1234);
  EXPECT_EQ(pacer.frameIndex, 37);
}

TEST_F(VirtualClock, LerpRunsFromStartToEndAndClamps) {
  SceneTimer timer;
  at(5000);
  timer.start(2.0f);
  EXPECT_DOUBLE_EQ(timer.lerp(255, 0), 255.0);
  at(6000);
  EXPECT_DOUBLE_EQ(timer.lerp(255, 0), 127.5);
  at(7000);
  EXPECT_DOUBLE_EQ(timer.lerp(255, 0), 0.0);
  at(9000);
  EXPECT_DOUBLE_EQ(timer.lerp(255, 0), 0.0);
  EXPECT_DOUBLE_EQ(timer.lerp(-3, 7), 7.0);
}

TEST_F(VirtualClock, DoneIsStrictlyAfterTheDuration) {
  SceneTimer timer;
  timer.start(2.0f);
  at(2000);
  EXPECT_FALSE(timer.done());
  at(2001);
  EXPECT_TRUE(timer.done());
  at(2000);
  timer.start(1.5f); // restarting measures from now
  at(3500);
  EXPECT_FALSE(timer.done());
  at(3501);
  EXPECT_TRUE(timer.done());
}

TEST_F(VirtualClock, StepMiddleIsTheStartPlusHalfTheLengthInWholeMilliseconds) {
  SceneTimer timer;
  at(5000);
  timer.start(2.0f);
  at(5600); // the middle does not move with the clock
  EXPECT_EQ(timer.stepMiddleTicks(), 6000);
  at(7000);
  timer.start(0.5f);
  EXPECT_EQ(timer.stepMiddleTicks(), 7250);
  timer.start(0.033f); // 16.5 ms, truncated
  EXPECT_EQ(timer.stepMiddleTicks(), 7016);
}

TEST_F(VirtualClock, StopwatchMeasuresFromItsLastRestart) {
  at(100);
  Stopwatch watch;
  at(350);
  EXPECT_DOUBLE_EQ(watch.elapsedSeconds(), 0.25);
  watch.restart();
  EXPECT_EQ(watch.startTicks, 350);
  at(1351);
  EXPECT_DOUBLE_EQ(watch.elapsedSeconds(), 1.001);
}

} // namespace
