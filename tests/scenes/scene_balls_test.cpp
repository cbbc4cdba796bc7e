// The chrome balls on the virtual clock, as a viewer sees them while the two balls hang side by
// side (the scene's fourth step): where they are, what shows around them, and how they shine.
#include "demo_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using SceneBalls = DemoOnVirtualClock;

// What one half of the frame shows of its ball: the pixels that differ from the background picture.
struct BallView {
  int pixels = 0;
  double x = 0, y = 0; // centre of those pixels
  double upper = 0, lower = 0; // their mean light above and below that centre, 0..255
};

double lightOf(uint32_t p) { return 0.2126 * (p >> 16 & 0xFF) + 0.7152 * (p >> 8 & 0xFF) + 0.0722 * (p & 0xFF); }

BallView look(const uint32_t* screen, const uint32_t* background, int fromX) {
  BallView v;
  for (int y = 0; y < 240; ++y)
    for (int x = fromX; x < fromX + 160; ++x)
      if (screen[y * 320 + x] != background[y * 320 + x]) {
        ++v.pixels;
        v.x += x;
        v.y += y;
      }
  if (v.pixels == 0) return v;
  v.x /= v.pixels;
  v.y /= v.pixels;
  int above = 0, below = 0;
  for (int y = 0; y < 240; ++y)
    for (int x = fromX; x < fromX + 160; ++x)
      if (screen[y * 320 + x] != background[y * 320 + x]) {
        (y < v.y ? v.upper : v.lower) += lightOf(screen[y * 320 + x]);
        ++(y < v.y ? above : below);
      }
  v.upper /= std::max(1, above);
  v.lower /= std::max(1, below);
  return v;
}

TEST_F(SceneBalls, TwoChromeBallsHangSideBySide_CentredInTheFrame_OnTheBackground_LitFromAbove) {
  startAt(&DemoApp::sceneBalls);
  const uint32_t* background = app->context->scratch->pixels; // put there as the second step ends
  std::vector<uint32_t> previous(320 * 240);
  int frames = 0;
  std::vector<int> stillAt;
  while (nextFrame() && app->frameScene == &DemoApp::sceneBalls && app->frameStep <= 4) {
    if (app->frameStep != 4) continue;
    const uint32_t* screen = app->screen->pixels;
    ++frames;
    // Above and below the balls the background shows, pixel for pixel: the balls keep within the
    // frame's height.
    int covered = 0;
    for (int y = 0; y < 240; y = y == 19 ? 220 : y + 1)
      for (int x = 0; x < 320; ++x) covered += screen[y * 320 + x] != background[y * 320 + x];
    EXPECT_EQ(covered, 0) << "frame " << frames << ": the top and bottom 20 rows are not the background";

    BallView left = look(screen, background, 0), right = look(screen, background, 160);
    for (const BallView* ball : {&left, &right}) {
      const char* side = ball == &left ? "left" : "right";
      // An object fills a good part of its half of the frame (a ring leaves its middle to the
      // picture), at the height of the frame's middle...
      EXPECT_GT(ball->pixels, 160 * 240 / 6) << side << " object, frame " << frames;
      EXPECT_NEAR(ball->y, 120, 16) << side << " object, frame " << frames;
    }
    // Each a hundred units either side of the middle: mirror places about the frame's centre.
    // The two turn differently, so their visible pixels' centres mirror only roughly.
    EXPECT_NEAR(left.x, 80, 20) << "frame " << frames;
    EXPECT_NEAR(left.x + right.x, 320, 15) << "frame " << frames;
    // They turn and ripple: each frame differs from the one before.
    if (memcmp(previous.data(), screen, previous.size() * 4) == 0) stillAt.push_back(frames);
    memcpy(previous.data(), screen, previous.size() * 4);
  }
  EXPECT_GE(frames, 3 * 30 - 1) << "the step lasts three seconds";
  // Only the step's last frame may repeat the one before: both come after its clock reached the end.
  EXPECT_TRUE(stillAt.empty() || stillAt == std::vector<int>{frames}) << stillAt.size() << " frames repeat";
}

} // namespace
