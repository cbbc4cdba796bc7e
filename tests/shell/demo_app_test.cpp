// The demo object on the memory console: construction order and output, the frame loop's exit
// paths, the persistent screen and the teardown.
#include "demo_fixture.h"

#include <cstring>

namespace {

using DemoApp_ = DemoOnVirtualClock;

TEST_F(DemoApp_, BuildsTheContextWorkBitmapAndAssetsBeforeArmingTheClocks) {
  // The context's three scratch bitmaps, the work bitmap, the camera and the two lights, then
  // slot 0 and the first picture.
  const char* expectedStart = "Allocated bitmap: 1600 x 1200 x 32 \n"
                              "Allocated bitmap: 1600 x 1200 x 32 \n"
                              "Allocated bitmap: 320 x 240 x 32 \n"
                              "Allocated bitmap: 320 x 240 x 32 \n"
                              "Camera allocated\n"
                              "Light allocated\n"
                              "Light allocated\n"
                              "Allocated bitmap: 320 x 240 x 32 \n"
                              "jpg filename = dat\\logo.jpg\n";
  EXPECT_EQ(loadOutput.compare(0, strlen(expectedStart), expectedStart), 0) << loadOutput.substr(0, 300);
  EXPECT_EQ(app->width, 320);
  EXPECT_EQ(app->consoleHeight, 240);
  EXPECT_EQ(app->colourBits, 32);
  EXPECT_EQ(app->big.a, app->context->bigA.get());  // effects borrow the context's scratch pictures
  EXPECT_EQ(app->big.b, app->context->bigB.get());
  EXPECT_EQ(app->screen, app->context->bitmaps[0].get());
  EXPECT_EQ(app->step, 0);
  EXPECT_FALSE(app->quit);
  EXPECT_EQ(app->pacer->rate, 30.0f);
  EXPECT_EQ(app->pacer->framesIssued, 0);
  EXPECT_NE(app->windowHandle, nullptr);
  EXPECT_TRUE(app->sceneFn == &DemoApp::sceneLogo);
}

TEST_F(DemoApp_, LoadsEveryPictureSlotAndReframesSlotSix) {
  const int filled[] = {0, 1, 2, 3, 4, 5, 6, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28};
  bool expected[100] = {};
  for (int s : filled) expected[s] = true;
  for (int s = 0; s < 100; ++s) EXPECT_EQ(app->context->bitmaps[s] != nullptr, expected[s]) << "slot " << s;
  EXPECT_EQ(slot(6)->width, 320);
  EXPECT_EQ(slot(6)->height, 240);
  // The bazooka picture (400 x 300 in the pack) is cropped symmetrically: pixel (0,0) of slot 6
  // is pixel (40, 30) of the file.
  Bitmap original("dat\\bazooka.jpg");
  ASSERT_EQ(original.width, 400);
  EXPECT_EQ(slot(6)->pixels[0], original.pixels[30 * 400 + 40]);
  EXPECT_EQ(slot(6)->pixels[239 * 320 + 319], original.pixels[269 * 400 + 359]);
  ASSERT_NE(app->swirlBump.data, nullptr);
  EXPECT_EQ(app->swirlBump.width, slot(20)->width);
  EXPECT_EQ(loadOutput.find("Can't open file"), std::string::npos);
}

TEST_F(DemoApp_, ScreenDrawsIntoThePersistentDisplayBuffer) {
  testing::internal::CaptureStdout();
  ASSERT_TRUE(frameAt(0));
  ASSERT_TRUE(frameAt(2000));
  uint32_t* buffer = app->pixels;
  EXPECT_EQ(app->screen->pixels, buffer);
  EXPECT_TRUE(app->screen->borrowsPixels());
  EXPECT_EQ(app->screen->storage, nullptr); // its own array went when it first borrowed
  // What was drawn is what the console presents.
  EXPECT_EQ(memcmp(app->console->presentedFrame(), buffer, 320 * 240 * 4), 0);
  ASSERT_TRUE(frameAt(2034));
  EXPECT_EQ(app->pixels, buffer);
  testing::internal::GetCapturedStdout();
}

TEST_F(DemoApp_, AQuitRequestEndsTheLoopWithinOnePass) {
  testing::internal::CaptureStdout();
  ASSERT_TRUE(frameAt(0));
  ptc::postQuit(app->console->window);
  zub::clockSetVirtual(34);
  EXPECT_FALSE(app->runPass());
  EXPECT_EQ(app->pacer->framesIssued, 1); // no frame was drawn on the way out
  app->shutdown();
  std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed.substr(printed.size() - 29), "key has been hit, exiting...\n");
  EXPECT_EQ(app->console, nullptr);
}

struct HookLog {
  int calls = 0;
  int lastStep = -1;
};

void recordFrame(DemoApp& app, void* data) {
  HookLog* log = (HookLog*)data;
  ++log->calls;
  log->lastStep = app.step;
}

TEST_F(DemoApp_, TheFrameHookSeesEveryPresentedFrame) {
  HookLog log;
  app->frameHook = recordFrame;
  app->frameHookData = &log;
  testing::internal::CaptureStdout();
  for (int ms : {0, 34, 67, 100}) ASSERT_TRUE(frameAt(ms));
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(log.calls, 4);
  EXPECT_EQ(log.lastStep, 1);
}

TEST_F(DemoApp_, ALateLoopCatchesUpFrameByFrame) {
  testing::internal::CaptureStdout();
  zub::clockSetVirtual(1000);
  int frames = 0;
  while (app->pacer->framesIssued <= app->pacer->frameIndex || frames == 0) {
    ASSERT_TRUE(app->runPass());
    frames = app->pacer->framesIssued;
    if (frames > 100) break;
  }
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(frames, 31); // frames 0..30, none skipped
}

} // namespace
