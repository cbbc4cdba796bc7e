// The first scene on the virtual clock: which picture each step shows, with which fade, and when
// the steps change.
#include "demo_fixture.h"

#include <cstring>

namespace {

using SceneLogo = DemoOnVirtualClock;

// The screen must equal picture `n` mixed toward `colour` by `k`.
void expectMixed(Bitmap* screen, Bitmap* picture, uint32_t colour, int k) {
  Bitmap expected(320, 240);
  picture->blit(&expected, 0, 0);
  expected.mix_colour(colour, k);
  EXPECT_EQ(memcmp(screen->pixels, expected.pixels, 320 * 240 * 4), 0) << "k = " << k;
}

TEST_F(SceneLogo, FadesTheTwoTitleCardsInAndOut) {
  testing::internal::CaptureStdout();
  ASSERT_TRUE(frameAt(0)); // step 0 only starts the timer: the frame stays black
  EXPECT_EQ(app->step, 1);
  for (int i = 0; i < 320 * 240; ++i) ASSERT_EQ(app->screen->pixels[i], 0u);

  ASSERT_TRUE(frameAt(34)); // lerp(255, 0) at 0.034 s of 3 s = 252.11
  expectMixed(app->screen, slot(1), 0x000000, 252);
  ASSERT_TRUE(frameAt(1500));
  expectMixed(app->screen, slot(1), 0x000000, 127);
  ASSERT_TRUE(frameAt(3000)); // done is strictly after the length
  EXPECT_EQ(app->step, 1);
  ASSERT_TRUE(frameAt(3001)); // last frame of step 1: lerp has reached 0
  expectMixed(app->screen, slot(1), 0x000000, 0);
  EXPECT_EQ(app->step, 2);

  ASSERT_TRUE(frameAt(4000)); // step 2 holds the first card unchanged
  EXPECT_EQ(memcmp(app->screen->pixels, slot(1)->pixels, 320 * 240 * 4), 0);
  ASSERT_TRUE(frameAt(5002));
  EXPECT_EQ(app->step, 3);
  ASSERT_TRUE(frameAt(5752)); // fade out: lerp(0, 255) half way
  expectMixed(app->screen, slot(1), 0x000000, 127);
  ASSERT_TRUE(frameAt(6503));
  EXPECT_EQ(app->step, 4);
  ASSERT_TRUE(frameAt(7503)); // second card fading in
  expectMixed(app->screen, slot(2), 0x000000, 127);
  ASSERT_TRUE(frameAt(8504));
  EXPECT_EQ(app->step, 5);
  ASSERT_TRUE(frameAt(9000));
  EXPECT_EQ(memcmp(app->screen->pixels, slot(2)->pixels, 320 * 240 * 4), 0);
  ASSERT_TRUE(frameAt(10505));
  EXPECT_EQ(app->step, 6);
  ASSERT_TRUE(frameAt(11255)); // toward dark red
  expectMixed(app->screen, slot(2), 0x840000, 127);
  ASSERT_TRUE(frameAt(12006)); // the scene is over
  expectMixed(app->screen, slot(2), 0x840000, 255);
  EXPECT_EQ(app->step, 0);
  EXPECT_TRUE(app->sceneFn == &DemoApp::sceneLogoObjects); // the next scene takes over
  std::string printed = testing::internal::GetCapturedStdout();

  // One line per frame drawn.
  size_t lines = 0;
  for (size_t at = printed.find("i am too sexy for this demo\n"); at != std::string::npos;
       at = printed.find("i am too sexy for this demo\n", at + 1))
    ++lines;
  EXPECT_EQ((int)lines, app->pacer->framesIssued);
}

TEST_F(SceneLogo, EveryStepLastsItsFullLengthOnASlowMachine) {
  // Frames 100 ms apart: each step still ends only after its length in wall time.
  testing::internal::CaptureStdout();
  int stepStart[8] = {0};
  int lastStep = 0;
  for (int ms = 0; ms < 20000; ms += 100) {
    if (!frameAt(ms) || app->frameScene != &DemoApp::sceneLogo) break;
    if (app->step != lastStep && app->step != 0) stepStart[app->step] = ms;
    lastStep = app->step;
    app->pacer->framesIssued = app->pacer->frameIndex + 1; // as if the frame had taken 100 ms
  }
  testing::internal::GetCapturedStdout();
  const int lengths[] = {0, 3000, 2000, 1500, 2000, 2000};
  for (int s = 2; s <= 6; ++s) {
    int length = stepStart[s] - stepStart[s - 1];
    EXPECT_GT(length, lengths[s - 1]) << "step " << s - 1;
    EXPECT_LE(length, lengths[s - 1] + 100) << "step " << s - 1;
  }
}

} // namespace
