// The viewer's jumps land on exactly the frames the uninterrupted demo draws (the offline renderer's
// frames): forward, back, back again within a scene's first seconds, while paused, and a start at a
// moment; and the frames after a jump go on matching, feedback effects and all.
#include "demo_fixture.h"

#include <map>
#include <vector>

#include "core/frame.h"
#include "core/frame_hash.h"
#include "scenes/scene_table.h"

namespace {

class ViewerControls : public DemoOnVirtualClock {
protected:
  std::vector<uint64_t> reference;  // hash of every frame of the uninterrupted run
  std::map<int, int> firstFrame;     // scene -> its first frame

  // The uninterrupted run's first `frames` frames, then a fresh demo for the controls.
  void record(int frames) {
    testing::internal::CaptureStdout();
    for (int frame = 0; frame < frames; ++frame) {
      app->clockToFrame(frame);
      ASSERT_TRUE(app->passUntilNextFrame());
      const int scene = sceneIndex(app->frameScene);
      if (!firstFrame.count(scene)) firstFrame[scene] = frame;
      reference.push_back(zub::frameHash(app->console->presentedFrame(), zub::framePixels));
    }
    app.reset();
    zub::demoRandReset();
    Bitmap::strobeReset();
    zub::clockUseVirtual(0);
    app = std::make_unique<DemoApp>(ptc::Backend::Memory);
    testing::internal::GetCapturedStdout();
  }

  // Presses a key and lets one pass act on it; the frame shown must be the uninterrupted run's.
  void press(ptc::Control control, const char* what) {
    ptc::postControl(app->console->window, control);
    app->runPass();
    expectShownIsReference(what);
  }

  void expectShownIsReference(const char* what) {
    const int frame = app->pacer->framesIssued - 1;
    ASSERT_GE(frame, 0) << what;
    ASSERT_LT(frame, (int)reference.size()) << what;
    EXPECT_EQ(zub::frameHash(app->console->presentedFrame(), zub::framePixels), reference[frame])
        << what << ": frame " << frame;
  }

  // Draws `count` more frames as the demo would, each checked.
  void playOn(int count, const char* what) {
    for (int i = 0; i < count; ++i) {
      app->clockToFrame(app->pacer->framesIssued);
      ASSERT_TRUE(app->passUntilNextFrame());
      expectShownIsReference(what);
    }
  }
};

TEST_F(ViewerControls, JumpsAndStartsLandOnTheUninterruptedFrames) {
  // As far as the last check below reaches: 30 frames past the start at 40 s.
  record(40 * 30 + 32);
  ASSERT_TRUE(firstFrame.count(2)) << "the video scene starts after 41 s";
  testing::internal::CaptureStdout();
  playOn(20, "the first frames");
  press(ptc::Control::Next, "next scene");
  EXPECT_EQ(app->pacer->framesIssued, firstFrame[1]);
  playOn(40, "after the jump ahead");
  press(ptc::Control::Next, "next scene again");
  EXPECT_EQ(app->pacer->framesIssued, firstFrame[2]);
  playOn(100, "into the video scene");
  press(ptc::Control::Previous, "back to this scene's start");
  EXPECT_EQ(app->pacer->framesIssued, firstFrame[2]);
  // At a scene's very start, nothing of it drawn yet, Left goes to the one before.
  press(ptc::Control::Previous, "back again at once");
  EXPECT_EQ(app->pacer->framesIssued, firstFrame[1]);
  press(ptc::Control::Next, "and on again");
  EXPECT_EQ(app->pacer->framesIssued, firstFrame[2]);
  playOn(10, "after the jump back");
  press(ptc::Control::Previous, "back within the first seconds");
  EXPECT_EQ(app->pacer->framesIssued, firstFrame[1]);
  playOn(30, "the scene before");
  press(ptc::Control::Pause, "paused");
  press(ptc::Control::Next, "next while paused");
  EXPECT_EQ(app->pacer->framesIssued, firstFrame[2]);
  EXPECT_TRUE(app->paused);
  press(ptc::Control::Pause, "resumed");
  playOn(30, "after the pause");
  // A start at a moment: the frame shown then, as the whole run draws it.
  app->moveTo(StartPoint{-1, 40000});
  EXPECT_LE(app->pacer->dueTicks(app->pacer->framesIssued - 1), 40000);
  EXPECT_GT(app->pacer->dueTicks(app->pacer->framesIssued), 40000);
  expectShownIsReference("a start at 40 s");
  playOn(30, "after the start");
  testing::internal::GetCapturedStdout();
}

} // namespace
