// The flashes of the whole timeline: the published warning list matches what the analyser measures,
// and the limiter keeps every second of what is shown within the thresholds while leaving every
// frame outside the failing stretches exactly as the demo drew it.
#include "demo_fixture.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <vector>

#include "safety/flash_limiter.h"
#include "safety/flash_stretches.h"
#include "shell/offline_render.h"

namespace {

using TimelineFlashes = DemoOnVirtualClock;

TEST_F(TimelineFlashes, PublishedStretchesMatchTheMeasure_AndTheLimiterKeepsEverySecondWithinTheThreshold) {
  zub::FlashAnalyser original, shown, shownLossy;
  zub::StretchCollector measured;
  auto limiter = std::make_unique<zub::FlashLimiter>();
  auto lossy = std::make_unique<zub::FlashLimiter>(zub::FlashLimiter::Margin::LossyVideo);
  std::vector<uint32_t> copy(320 * 240), lossyCopy(320 * 240);
  struct Changed {
    double seconds;
    double meanDifference;
  };
  std::vector<Changed> changed;
  int shownFailing = 0, lossyFailing = 0;

  testing::internal::CaptureStdout();
  zub::clockSetVirtual(0);
  for (int frame = 0;; ++frame) {
    int before = app->pacer->framesIssued;
    bool running = true;
    while (running && app->pacer->framesIssued == before) running = app->runPass();
    if (!running) break;
    int32_t t = zub::clockNow() - app->pacer->startTicks;
    const uint32_t* pixels = app->console->presentedFrame();
    measured.add(t / 1000.0, original.add(pixels, t));
    memcpy(copy.data(), pixels, copy.size() * 4);
    if (limiter->apply(copy.data(), t)) {
      long sum = 0;
      for (size_t i = 0; i < copy.size(); ++i)
        for (int shift = 0; shift <= 16; shift += 8)
          sum += std::abs((int)(copy[i] >> shift & 0xFF) - (int)(pixels[i] >> shift & 0xFF));
      changed.push_back({t / 1000.0, sum / (copy.size() * 3.0)});
    } else {
      ASSERT_EQ(memcmp(copy.data(), pixels, copy.size() * 4), 0) << "frame " << frame << " changed unreported";
    }
    if (shown.add(copy.data(), t).failing()) ++shownFailing;
    memcpy(lossyCopy.data(), pixels, copy.size() * 4);
    lossy->apply(lossyCopy.data(), t);
    if (shownLossy.add(lossyCopy.data(), t).failing()) ++lossyFailing;
    zub::clockSetVirtual(app->pacer->startTicks + app->pacer->dueTicks(frame + 1));
    ASSERT_LT(frame, 20000);
  }
  testing::internal::GetCapturedStdout();

  std::vector<zub::FailingStretch> stretches = measured.stretches();
  std::vector<zub::PublishedStretch> expected = zub::publishable(stretches);
  std::vector<zub::PublishedStretch> published(zub::publishedFlashStretches,
                                                zub::publishedFlashStretches + zub::publishedFlashStretchCount);
  auto table = [](const std::vector<zub::PublishedStretch>& list) {
    std::ostringstream text;
    for (const zub::PublishedStretch& p : list)
      text << "{" << p.start << ", " << p.end << ", " << (p.red ? "true" : "false") << "}, ";
    return text.str();
  };
  EXPECT_EQ(table(published), table(expected)) << "the published flash stretches are out of date";

  EXPECT_EQ(shownFailing, 0) << "frames of the limited stream that break the threshold";
  EXPECT_EQ(lossyFailing, 0) << "frames of the stream limited for lossy video that break the threshold";
  int outside = 0;
  double inside = 0;
  for (const Changed& c : changed) {
    bool within = false;
    for (const zub::FailingStretch& s : stretches) within = within || (c.seconds >= s.start && c.seconds <= s.end);
    if (!within) {
      ++outside;
      ADD_FAILURE() << "the limiter changed a frame outside every failing stretch, at " << c.seconds << " s";
    }
    inside += c.meanDifference;
  }
  printf("flashes: %d failing frames in %zu stretches; the limiter changed %zu frames (%d outside them), mean "
         "absolute difference %.2f per channel in the changed frames; for lossy video it changed %d\n",
         measured.failingFrames, stretches.size(), changed.size(), outside,
         changed.empty() ? 0.0 : inside / (double)changed.size(), lossy->framesChanged);
}

} // namespace
