// The whole timeline on the virtual clock with frames 100 ms apart: every step keeps its full length
// on a slow machine (the pass at the pacer's own times is in timeline_pass_test.cpp).
#include "demo_fixture.h"

#include <cmath>
#include <vector>

#include "scenes/scene_table.h"

namespace {

using Timeline = DemoOnVirtualClock;

struct StepSpan {
  int scene, step;
  int32_t start; // time of its first frame
};

TEST_F(Timeline, EveryStepKeepsItsFullLengthOnASlowMachine) {
  // Frames 100 ms apart: fewer frames, but every step still lasts its length in wall time.
  testing::internal::CaptureStdout();
  std::vector<StepSpan> spans;
  int32_t t = 0;
  zub::clockSetVirtual(0);
  for (int frame = 0; frame <= 20000; ++frame) {
    if (!app->passUntilNextFrame()) break;
    int scene = sceneIndex(app->frameScene);
    if (spans.empty() || spans.back().scene != scene || spans.back().step != app->frameStep)
      spans.push_back({scene, app->frameStep, t});
    t += 100;
    // A slow machine: the pacer owes no frames in between.
    app->pacer->framesIssued = (int)(t / app->pacer->periodTicks);
    zub::clockSetVirtual(t);
  }
  testing::internal::GetCapturedStdout();
  EXPECT_TRUE(app->quit);
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
