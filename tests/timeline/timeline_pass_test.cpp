// One pass over the whole timeline for what needs every frame: the golden frames, and the flashes
// (the published warning list matches what the analyser measures, and the limiter keeps every
// second of what is shown within the thresholds while leaving every frame outside the failing
// stretches exactly as the demo drew it).
#include "demo_fixture.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "core/frame_hash.h"
#include "safety/flash_limiter.h"
#include "safety/flash_stretches.h"
#include "scenes/scene_table.h"
#include "shell/offline_render.h"

namespace {

using TimelinePass = DemoOnVirtualClock;

// Golden frames: hashes of chosen frames of each scene, from the committed asset pack. After a
// deliberate change of the pictures, regenerate them with scripts/update-golden-frames.sh.
TEST_F(TimelinePass, GoldenFramesHold_AndTheFlashesAreMeasuredAndLimited) {
  std::map<int, uint64_t> golden;
  std::ifstream in(std::string(ZUB_SOURCE_DIR) + "/tests/data/golden_frames.txt");
  ASSERT_TRUE(in) << "tests/data/golden_frames.txt is missing";
  int goldenFrame;
  std::string name, hex;
  while (in >> goldenFrame >> name >> hex) golden[goldenFrame] = std::stoull(hex, nullptr, 16);
  ASSERT_FALSE(golden.empty());
  std::map<int, uint64_t> seen;
  std::map<int, std::string> sceneOf;

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
    if (golden.count(frame)) {
      seen[frame] = zub::frameHash(pixels, 320 * 240);
      sceneOf[frame] = sceneName(sceneIndex(app->frameScene));
    }
    measured.add(t / 1000.0, original.add(pixels, t));
    memcpy(copy.data(), pixels, copy.size() * 4);
    if (limiter->apply(copy.data(), t)) {
      long sum = 0;
      for (size_t i = 0; i < copy.size(); ++i)
        for (int shift = 0; shift <= 16; shift += 8)
          sum += std::abs((int)(copy[i] >> shift & 0xFF) - (int)(pixels[i] >> shift & 0xFF));
      changed.push_back({t / 1000.0, sum / (copy.size() * 3.0)});
    } else if (memcmp(copy.data(), pixels, copy.size() * 4) != 0) {
      ADD_FAILURE() << "frame " << frame << " changed, but the limiter said it had not";
    }
    if (shown.add(copy.data(), t).failing()) ++shownFailing;
    memcpy(lossyCopy.data(), pixels, copy.size() * 4);
    lossy->apply(lossyCopy.data(), t);
    if (shownLossy.add(lossyCopy.data(), t).failing()) ++lossyFailing;
    zub::clockSetVirtual(app->pacer->startTicks + app->pacer->dueTicks(frame + 1));
    if (frame > 20000) {
      ADD_FAILURE() << "the timeline never ends";
      break;
    }
  }
  testing::internal::GetCapturedStdout();

  const char* dump = getenv("ZUB_GOLDEN_OUT");
  if (dump) {
    std::ofstream out(dump);
    for (auto& [n, h] : seen) out << n << " " << sceneOf[n] << " " << std::hex << h << std::dec << "\n";
  }
  for (auto& [n, h] : golden) {
    ASSERT_TRUE(seen.count(n)) << "frame " << n << " was never drawn";
    EXPECT_EQ(seen[n], h) << "frame " << n << " (" << sceneOf[n] << ")";
  }

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
