// The whole timeline on the virtual clock: its length, the order of the scenes, every step's full
// length on a slow machine and no heap allocation once the frames run (the golden frames are
// checked in the pass of flash_test.cpp).
#include "demo_fixture.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "alloc_counter.h"
#include "scenes/scene_table.h"
#include "shell/offline_render.h"

namespace {

using Timeline = DemoOnVirtualClock;

struct StepSpan {
  int scene, step;
  int32_t start, end; // time of its first frame, and of the first frame after it
};

// Runs the demo to its end with frames `frameMs` apart (at the pacer's own times when 0), and
// calls `onFrame` after each. Returns the time of the last frame.
template <typename OnFrame>
int32_t runToEnd(DemoApp& app, int frameMs, OnFrame onFrame) {
  int32_t t = 0;
  zub::clockSetVirtual(0);
  for (int frame = 0;; ++frame) {
    if (!app.passUntilNextFrame()) return t;
    onFrame(frame, t);
    t = frameMs ? t + frameMs : app.pacer->dueTicks(frame + 1);
    // A slow machine: the pacer owes no frames in between.
    if (frameMs) app.pacer->framesIssued = (int)(t / app.pacer->periodTicks);
    zub::clockSetVirtual(t);
    if (frame > 20000) return -1;
  }
}

TEST_F(Timeline, RunsEveryScene_InOrder_ToQuit_WithoutAllocatingPerFrame) {
  testing::internal::CaptureStdout();
  std::vector<int> order;
  order.reserve(100); // the test's own bookkeeping must not count
  long allocationsAfterFirstFrame = 0;
  int32_t last = runToEnd(*app, 0, [&](int frame, int32_t t) {
    int scene = sceneIndex(app->frameScene);
    if (order.empty() || order.back() != scene) order.push_back(scene);
    if (frame == 0) {
      allocCounter::count = 0;
      allocCounter::counting = true;
    }
    (void)t;
  });
  allocCounter::counting = false;
  allocationsAfterFirstFrame = allocCounter::count;
  testing::internal::GetCapturedStdout();

  std::vector<int> expected;
  for (int s = 0; s < sceneCount; ++s) expected.push_back(s);
  EXPECT_EQ(order, expected);
  EXPECT_TRUE(app->quit);
  // Every step ends on the first frame after its length, and each scene's step 0 takes a frame.
  double seconds = last / 1000.0;
  EXPECT_GT(seconds, timelineSeconds());
  EXPECT_LT(seconds, timelineSeconds() + 0.034 * 90);
  printf("timeline: %d frames, last at %.3f s\n", app->pacer->framesIssued, seconds);
  // Only the one-time line-scroll offset tables may be made once the frames run.
  EXPECT_LE(allocationsAfterFirstFrame, 2) << "bytes: " << allocCounter::bytes;
}

TEST_F(Timeline, EveryStepKeepsItsFullLengthOnASlowMachine) {
  // Frames 100 ms apart: fewer frames, but every step still lasts its length in wall time.
  testing::internal::CaptureStdout();
  std::vector<StepSpan> spans;
  runToEnd(*app, 100, [&](int, int32_t t) {
    int scene = sceneIndex(app->frameScene);
    if (spans.empty() || spans.back().scene != scene || spans.back().step != app->frameStep)
      spans.push_back({scene, app->frameStep, t, t});
  });
  testing::internal::GetCapturedStdout();
  int steps = 0;
  for (int s = 0; s < sceneCount; ++s) steps += sceneTable[s].stepCount + 1;
  ASSERT_EQ((int)spans.size(), steps); // every step of every scene was shown, in order
  for (size_t i = 0; i + 1 < spans.size(); ++i) {
    const StepSpan& s = spans[i];
    int32_t lasted = spans[i + 1].start - s.start;
    if (s.step == 0) {
      EXPECT_EQ(lasted, 100) << sceneTable[s.scene].name << " step 0 draws one frame";
      continue;
    }
    // From the frame that started its timer to the first frame after its length.
    int32_t length = (int32_t)std::lround(sceneTable[s.scene].steps[s.step - 1] * 1000);
    EXPECT_GT(lasted, length) << sceneTable[s.scene].name << " step " << s.step;
    EXPECT_LE(lasted, length + 100) << sceneTable[s.scene].name << " step " << s.step;
  }
}

} // namespace
