// The video scene on the virtual clock, as a viewer sees it: the guitar, then the clip playing a
// new picture every frame, where it is drawn, round to its start again; then the title card faded
// in, held, and faded to black.
#include "demo_fixture.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "video/video_clip.h"

namespace {

using SceneVideo = DemoOnVirtualClock;

double lightOf(uint32_t p) { return 0.2126 * (p >> 16 & 0xFF) + 0.7152 * (p >> 8 & 0xFF) + 0.0722 * (p & 0xFF); }

// Mean absolute difference per channel of two frames, 0..255.
double difference(const uint32_t* a, const uint32_t* b) {
  long sum = 0;
  for (int i = 0; i < 320 * 240; ++i)
    for (int shift = 0; shift <= 16; shift += 8) sum += std::abs((int)(a[i] >> shift & 0xFF) - (int)(b[i] >> shift & 0xFF));
  return sum / (320.0 * 240 * 3);
}

// How alike two pictures of light (320 x 240) are in 16 x 16 blocks away from the edges, the second
// read moved by (dx, dy): the correlation of the blocks' sums, -1..1.
double likeness(const std::vector<double>& a, const std::vector<double>& b, int dx, int dy) {
  std::vector<double> sa, sb;
  for (int by = 2; by < 13; ++by)
    for (int bx = 3; bx < 17; ++bx) {
      double ta = 0, tb = 0;
      for (int y = by * 16; y < by * 16 + 16; ++y)
        for (int x = bx * 16; x < bx * 16 + 16; ++x) {
          ta += a[(size_t)(y * 320 + x)];
          tb += b[(size_t)((y + dy) * 320 + x + dx)];
        }
      sa.push_back(ta);
      sb.push_back(tb);
    }
  double ma = 0, mb = 0;
  for (size_t i = 0; i < sa.size(); ++i) ma += sa[i], mb += sb[i];
  ma /= (double)sa.size();
  mb /= (double)sb.size();
  double ab = 0, aa = 0, bb = 0;
  for (size_t i = 0; i < sa.size(); ++i) {
    ab += (sa[i] - ma) * (sb[i] - mb);
    aa += (sa[i] - ma) * (sa[i] - ma);
    bb += (sb[i] - mb) * (sb[i] - mb);
  }
  return ab / std::sqrt(aa * bb + 1e-9);
}

TEST_F(SceneVideo, TheClipPlaysAPictureAFrameInPlace_ThenTheTitleCardFadesInHoldsAndFadesToBlack) {
  startAt(&DemoApp::sceneVideo);
  VideoClip* clip = app->clip.get();
  ASSERT_EQ(clip->width, 320); // the pictures below are compared with the frame pixel for pixel
  ASSERT_EQ(clip->height, 240);
  const uint32_t* card = slot(5)->pixels;
  int shown = clip->decoder.pictureCounter; // opening the clip decoded its first picture
  int framesPlaying = 0, restarts = 0, samePicture = 0, cardFrames = 0;
  std::vector<uint32_t> lastPicture(320 * 240), lastFrame(320 * 240);
  std::vector<double> screenLight(320 * 240), clipLight(320 * 240); // summed over the second step
  double cardAtStart = -1, cardAtEnd = -1, lightAtFadeStart = -1;
  while (nextFrame() && app->frameScene == &DemoApp::sceneVideo) {
    const uint32_t* screen = app->screen->pixels;
    const int step = app->frameStep;
    if (step <= 1) {
      EXPECT_EQ(clip->decoder.pictureCounter, shown) << "the clip waits for its step";
    } else if (step <= 3) {
      // Every frame shows the clip's next picture; after its last one it starts again from the top.
      const int next = shown == clip->frameCount ? 1 : shown + 1;
      restarts += next == 1;
      EXPECT_EQ(clip->frameIndex, next) << "frame " << framesPlaying << " of the clip";
      shown = clip->frameIndex;
      samePicture += memcmp(lastPicture.data(), clip->bitmap->pixels, lastPicture.size() * 4) == 0;
      memcpy(lastPicture.data(), clip->bitmap->pixels, lastPicture.size() * 4);
      ++framesPlaying;
      if (step == 2)
        for (int i = 0; i < 320 * 240; ++i) {
          screenLight[(size_t)i] += lightOf(screen[i]);
          clipLight[(size_t)i] += lightOf(clip->bitmap->pixels[i]);
        }
      // The title card fades in over the third step.
      if (step == 3 && cardAtStart < 0) cardAtStart = difference(screen, card);
      if (step == 3) cardAtEnd = difference(screen, card);
    } else if (step == 4) {
      ++cardFrames;
      EXPECT_EQ(memcmp(screen, card, 320 * 240 * 4), 0) << "the title card, as it is";
      EXPECT_EQ(clip->frameIndex, shown) << "the clip has stopped";
    } else if (lightAtFadeStart < 0) {
      double sum = 0;
      for (int i = 0; i < 320 * 240; ++i) sum += lightOf(screen[i]);
      lightAtFadeStart = sum / (320 * 240);
    }
    memcpy(lastFrame.data(), screen, lastFrame.size() * 4);
  }

  // Nine seconds of the clip: more pictures than it has, so it went round once.
  EXPECT_GE(framesPlaying, 9 * 30);
  EXPECT_EQ(restarts, 1);
  // Each picture differs from the one before, but for the frame that restarts the clip (it holds
  // the last picture while the first is decoded again).
  EXPECT_LE(samePicture, restarts);

  // Over the second step the screen follows the clip's pictures, where they are drawn: better than
  // it would follow them moved 32 pixels any way.
  const double inPlace = likeness(screenLight, clipLight, 0, 0);
  EXPECT_GT(inPlace, 0.75);
  for (int move : {-32, 32}) {
    EXPECT_GT(inPlace, likeness(screenLight, clipLight, move, 0) + 0.05) << "moved " << move << " across";
    EXPECT_GT(inPlace, likeness(screenLight, clipLight, 0, move) + 0.05) << "moved " << move << " down";
  }

  EXPECT_GT(cardAtStart, 20) << "the title card hardly shows as the third step begins";
  EXPECT_LT(cardAtEnd, 2) << "the title card is all there is as the third step ends";
  EXPECT_GE(cardFrames, 3 * 30 - 1);
  // The last frame of the scene is black.
  EXPECT_GT(lightAtFadeStart, 20);
  int lit = 0;
  for (uint32_t p : lastFrame) lit += p != 0;
  EXPECT_EQ(lit, 0);
}

} // namespace
