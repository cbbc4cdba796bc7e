// One pass over the whole timeline at the pacer's own times, for everything that needs every frame:
// the scenes run in order to the quit, the timeline lasts as long as the scene table says, nothing
// is allocated once the frames run, the golden frames hold, and the flashes are measured and
// limited (the published warning list matches what the analyser measures, and the limiter keeps
// every second of what is shown within the thresholds while leaving every frame outside the failing
// stretches exactly as the demo drew it), and the viewer's jumps back land on the pass's frames.
#include "demo_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "alloc_counter.h"
#include "core/frame_hash.h"
#include "image/image_writers.h"
#include "safety/flash_limiter.h"
#include "safety/flash_stretches.h"
#include "scenes/scene_table.h"

namespace {

namespace fs = std::filesystem;

const int width = 320, height = 240, pixelCount = width * height;

// Golden frames: hashes of chosen frames of each scene, from the committed asset pack. After a
// deliberate change of the pictures, regenerate them with scripts/update-golden-frames.sh.
//
// Only the hash of a golden frame is kept, so when one differs the pass shows what it can know for
// sure, in `folder`: the frame as drawn now (frame_NNNNNN_drawn.png); the last earlier golden frame
// that still held (frame_NNNNNN_last_held_MMMMMM.png: drawn by this build, and known right because
// its hash matched); and where the two differ (frame_NNNNNN_changed.png: unchanged pixels in dim
// grey, changed ones bright). On a still or slow picture that shows the fault; on a moving one, at
// least the frames between which it appeared.
class GoldenFrames {
public:
  std::map<int, uint64_t> expected;
  std::map<int, uint64_t> seen;
  std::map<int, std::string> sceneOf;
  fs::path folder;
  int lastHeld = -1; // the newest golden frame that matched so far
  std::vector<uint32_t> lastHeldPixels = std::vector<uint32_t>(pixelCount);
  int pictured = 0; // differing frames written out so far
  static constexpr int mostPictured = 10;

  bool read(const std::string& path) {
    std::ifstream in(path);
    int frame;
    std::string name, hex;
    while (in >> frame >> name >> hex) expected[frame] = std::stoull(hex, nullptr, 16);
    return !expected.empty();
  }

  // Checks frame `n` if it is a golden frame; what is wrong, or nothing.
  std::string check(int n, const uint32_t* pixels, const char* scene) {
    auto golden = expected.find(n);
    if (golden == expected.end()) return "";
    uint64_t hash = zub::frameHash(pixels, pixelCount);
    seen[n] = hash;
    sceneOf[n] = scene;
    if (hash == golden->second) {
      lastHeld = n;
      memcpy(lastHeldPixels.data(), pixels, pixelCount * 4);
      return "";
    }
    return "frame " + std::to_string(n) + " (" + scene + ") is not the golden frame: " + picture(n, pixels);
  }

private:
  std::string name(int n, const char* what) const {
    char text[64];
    snprintf(text, sizeof text, "frame_%06d_%s.png", n, what);
    return text;
  }

  // Writes the pictures of a differing frame; says where.
  std::string picture(int n, const uint32_t* pixels) {
    if (pictured >= mostPictured) return "no pictures (only the first " + std::to_string(mostPictured) + " are written)";
    ++pictured;
    std::string written;
    fs::create_directories(folder);
    auto write = [&](const std::string& file, const uint32_t* picture) {
      if (zub::Failure failed = zub::writePng((folder / file).string(), picture, width, height))
        written += "[" + failed.message.substr(0, failed.message.find('\n')) + "] ";
      written += (written.empty() ? "" : ", ") + file;
    };
    write(name(n, "drawn"), pixels);
    if (lastHeld >= 0) {
      char held[32];
      snprintf(held, sizeof held, "last_held_%06d", lastHeld);
      write(name(n, held), lastHeldPixels.data());
      std::vector<uint32_t> changed(pixelCount);
      for (int i = 0; i < pixelCount; ++i) {
        uint32_t a = pixels[i], b = lastHeldPixels[i];
        if (a == b) {
          uint32_t grey = ((a >> 16 & 0xFF) * 54 + (a >> 8 & 0xFF) * 183 + (a & 0xFF) * 19) >> 10; // a quarter of its light
          changed[i] = grey * 0x010101;
          continue;
        }
        uint32_t out = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
          int d = std::abs((int)(a >> shift & 0xFF) - (int)(b >> shift & 0xFF));
          out |= (uint32_t)std::min(255, 96 + 4 * d) << shift;
        }
        changed[i] = out;
      }
      write(name(n, "changed"), changed.data());
    } else {
      written += " (no earlier golden frame held)";
    }
    return "pictures in " + fs::absolute(folder).string() + ": " + written;
  }
};

using TimelinePass = DemoOnVirtualClock;

// A frame's hash for comparing it within this process: quick, in four interleaved lanes.
uint64_t quickHash(const uint32_t* pixels) {
  uint64_t lane[4] = {1, 2, 3, 4};
  for (int i = 0; i < pixelCount; i += 4)
    for (int k = 0; k < 4; ++k) lane[k] = (lane[k] ^ pixels[i + k]) * 0x9E3779B97F4A7C15ull;
  return lane[0] ^ (lane[1] << 1 | lane[1] >> 63) ^ (lane[2] << 2 | lane[2] >> 62) ^ (lane[3] << 3 | lane[3] >> 61);
}

TEST_F(TimelinePass, ScenesRunInOrderWithoutAllocating_GoldenFramesHold_FlashesAreMeasuredAndLimited_AndJumpsLand) {
  GoldenFrames golden;
  ASSERT_TRUE(golden.read(std::string(ZUB_SOURCE_DIR) + "/tests/data/golden_frames.txt"))
      << "tests/data/golden_frames.txt is missing";
  // Beside the test program (the fixture works in data/); pictures of an earlier run are gone.
  golden.folder = previous / "golden_frames_differ";
  fs::remove_all(golden.folder);

  std::vector<int> order;
  zub::FlashAnalyser original, shown, shownLossy;
  zub::StretchCollector measured;
  auto limiter = std::make_unique<zub::FlashLimiter>();
  auto lossy = std::make_unique<zub::FlashLimiter>(zub::FlashLimiter::Margin::LossyVideo);
  auto light = std::make_unique<zub::CellLight>();
  std::vector<uint32_t> copy(pixelCount), lossyCopy(pixelCount);
  struct Changed {
    double seconds;
    double meanDifference;
  };
  std::vector<Changed> changed;
  int shownFailing = 0, lossyFailing = 0;
  int32_t last = 0;
  std::vector<std::string> failures; // reported once the demo's printing is no longer captured

  std::vector<uint64_t> frameHashes; // every frame's, for the jumps back at the end
  frameHashes.reserve(timelineFrames() + 100);

  testing::internal::CaptureStdout();
  zub::clockSetVirtual(0);
  allocCounter::count = allocCounter::bytes = 0;
  for (int frame = 0;; ++frame) {
    // Only the demo's own passes count, from the second frame on.
    allocCounter::counting = frame > 0;
    const bool running = app->passUntilNextFrame();
    allocCounter::counting = false;
    if (!running) break;
    int32_t t = zub::clockNow() - app->pacer->startTicks;
    last = t;
    int scene = sceneIndex(app->frameScene);
    if (order.empty() || order.back() != scene) {
      order.push_back(scene);
      // The scene table's walk of the steps (a jump's target and progress, the caption) counts the same frames.
      if (frame != sceneFirstFrame(scene))
        failures.push_back(std::string(sceneName(scene)) + " starts at frame " + std::to_string(frame) +
                           ", the scene table says " + std::to_string(sceneFirstFrame(scene)));
    }
    const uint32_t* pixels = app->console->presentedFrame();
    frameHashes.push_back(quickHash(pixels));
    if (std::string wrong = golden.check(frame, pixels, sceneName(scene)); !wrong.empty()) failures.push_back(wrong);

    // The demo's frame is measured once; a frame the limiters leave as it is has the same light.
    zub::FlashAnalyser::measure(pixels, *light);
    measured.add(t / 1000.0, original.add(*light, t));
    memcpy(copy.data(), pixels, copy.size() * 4);
    const bool limited = limiter->apply(copy.data(), *light, t);
    const bool same = memcmp(copy.data(), pixels, copy.size() * 4) == 0;
    if (limited) {
      long sum = 0;
      for (size_t i = 0; i < copy.size(); ++i)
        for (int shift = 0; shift <= 16; shift += 8)
          sum += std::abs((int)(copy[i] >> shift & 0xFF) - (int)(pixels[i] >> shift & 0xFF));
      changed.push_back({t / 1000.0, sum / (copy.size() * 3.0)});
    } else if (!same) {
      failures.push_back("frame " + std::to_string(frame) + " changed, but the limiter said it had not");
    }
    if ((same ? shown.add(*light, t) : shown.add(copy.data(), t)).failing()) ++shownFailing;
    memcpy(lossyCopy.data(), pixels, copy.size() * 4);
    lossy->apply(lossyCopy.data(), *light, t);
    const bool lossySame = memcmp(lossyCopy.data(), pixels, copy.size() * 4) == 0;
    if ((lossySame ? shownLossy.add(*light, t) : shownLossy.add(lossyCopy.data(), t)).failing()) ++lossyFailing;

    app->clockToFrame(frame + 1);
    if (frame > 20000) {
      failures.push_back("the timeline never ends");
      break;
    }
  }
  testing::internal::GetCapturedStdout();
  for (const std::string& failure : failures) ADD_FAILURE() << failure;

  // Every scene once, in the table's order, to the quit; the last frame falls after the table's
  // length (every step ends on the first frame after its length, and each scene's step 0 takes a
  // frame), but not by more than those frames.
  std::vector<int> expectedOrder;
  for (int s = 0; s < sceneCount; ++s) expectedOrder.push_back(s);
  EXPECT_EQ(order, expectedOrder);
  EXPECT_TRUE(app->quit);
  double seconds = last / 1000.0;
  EXPECT_GT(seconds, timelineSeconds());
  EXPECT_LT(seconds, timelineSeconds() + 0.034 * 90);
  printf("timeline: %d frames, last at %.3f s\n", app->pacer->framesIssued, seconds);
  // The scene table's walk of the steps (the viewer's caption and jumps) counts the same frames.
  EXPECT_EQ(app->pacer->framesIssued, timelineFrames());
  // Nothing is allocated once the frames run (the line-scroll tables are made at load time).
  EXPECT_EQ(allocCounter::count, 0) << "bytes: " << allocCounter::bytes;

  const char* dump = getenv("ZUB_GOLDEN_OUT");
  if (dump) {
    std::ofstream out(dump);
    for (auto& [n, h] : golden.seen) out << n << " " << golden.sceneOf[n] << " " << std::hex << h << std::dec << "\n";
  }
  for (auto& [n, h] : golden.expected) EXPECT_TRUE(golden.seen.count(n)) << "frame " << n << " was never drawn";

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

  // Jumps back from the end to each scene's start, and from there the whole scene played on; then
  // one back into the middle of a scene (drawn unseen from its start). Each lands on this pass's
  // frame and every frame after it matches, so nothing a scene reads from those before it is
  // missing from what the timeline keeps of each scene start.
  failures.clear();
  auto playAndCompare = [&](const std::string& jump, int untilFrame) {
    for (;;) {
      const int frame = app->pacer->framesIssued - 1;
      if (frame >= 0 && (frame >= (int)frameHashes.size() || quickHash(app->console->presentedFrame()) != frameHashes[frame])) {
        failures.push_back("after a jump to " + jump + ", frame " + std::to_string(frame) + " differs from the pass's");
        return;
      }
      if (frame + 1 >= untilFrame) return;
      app->clockToFrame(app->pacer->framesIssued);
      if (!app->passUntilNextFrame()) return;
    }
  };
  testing::internal::CaptureStdout();
  for (int scene = sceneCount - 1; scene >= 0; --scene) {
    app->moveTo(StartPoint{scene, 0});
    playAndCompare(std::string("the start of ") + sceneName(scene) + " (back)",
                   scene + 1 < sceneCount ? sceneFirstFrame(scene + 1) + 1 : timelineFrames());
  }
  const int middle = (sceneFirstFrame(6) + sceneFirstFrame(7)) / 2;
  app->moveTo(StartPoint{-1, app->pacer->dueTicks(middle)});
  playAndCompare("the middle of " + std::string(sceneName(6)), middle + 30);
  // Jumps ahead, which leave the screen undrawn in the frames the next one covers: from the start
  // to every 23rd frame, so that they land at every place in a step and cross every scene's start,
  // each checked with the frame after it.
  app->moveTo(StartPoint{0, 0});
  for (int frame = 23; frame + 1 < timelineFrames() && failures.empty(); frame += 23) {
    app->moveTo(StartPoint{-1, app->pacer->dueTicks(frame)});
    playAndCompare("frame " + std::to_string(frame) + " (ahead)", frame + 2);
  }
  testing::internal::GetCapturedStdout();
  for (const std::string& failure : failures) ADD_FAILURE() << failure;
}

} // namespace
