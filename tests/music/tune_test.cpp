// The demo's tune against the timeline: it lasts as long as the demo, every scene change opens a
// phrase within a row of it and is heard as an accent, it ends in silence, and its level sits
// just under full scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include <libopenmpt/libopenmpt.h>

#include "arrangement.h"
#include "module_support.h"
#include "music/midas.h"
#include "music/soundtrack.h"
#include "scenes/scene_table.h"

namespace fs = std::filesystem;

namespace {

const assets::TimelineTimes& times() {
  static const assets::TimelineTimes t = assets::timelineTimes();
  return t;
}

// The soundtrack of the whole timeline as the offline renderer writes it, from the asset pack's
// tune: the stereo samples and the highest absolute sample. Rendered once, for the one test below
// that checks what is heard over the whole timeline.
struct Render {
  std::vector<int16_t> stereo;
  int peak = 0;
};

const Render& rendered() {
  static const Render r = [] {
    Render r;
    const fs::path folder = fs::temp_directory_path() / ("zub_tune_" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "music.dat", std::ios::binary) << demoModule();
    const int64_t frames = (int64_t)(times().lastFrame + 1) * 1600;
    if (!zub::renderSoundtrack((folder / "music.dat").string(), (folder / "tune.wav").string(), 0, frames)) {
      std::ifstream in(folder / "tune.wav", std::ios::binary);
      std::string wav((std::istreambuf_iterator<char>(in)), {});
      r.stereo.assign((const int16_t*)(wav.data() + 44), (const int16_t*)(wav.data() + wav.size()));
      for (int16_t s : r.stereo) r.peak = std::max(r.peak, std::abs((int)s));
    }
    fs::remove_all(folder);
    return r;
  }();
  return r;
}

double dbfs(double amplitude) { return 20 * std::log10(amplitude / 32768.0 + 1e-12); }

// Mean power in dB of full scale over [from, to) seconds.
double level(double from, double to) {
  const std::vector<int16_t>& s = rendered().stereo;
  size_t a = (size_t)(from * midasSampleRate) * 2, b = std::min(s.size(), (size_t)(to * midasSampleRate) * 2);
  double sum = 0;
  for (size_t i = a; i < b; ++i) sum += (double)s[i] * s[i];
  return 10 * std::log10(sum / (double)std::max<size_t>(1, b - a) / (32768.0 * 32768.0) + 1e-12);
}

// How much louder (dB) the 25 ms from `t` are than the 200 ms before them: a rough onset.
double onset(double t) { return level(t, t + 0.025) - level(t - 0.2, t); }

double strongestOnset(double from, double to, double* at = nullptr) {
  double best = -1e9;
  for (double t = from; t < to; t += 0.0125)
    if (double o = onset(t); o > best) {
      best = o;
      if (at) *at = t;
    }
  return best;
}

TEST(Timeline, StepsStartInOrderEachAfterItsFullLength) {
  ASSERT_EQ((int)times().stepStarts.size(), sceneCount);
  double previous = -1;
  for (int s = 0; s < sceneCount; ++s) {
    const std::vector<double>& starts = times().stepStarts[(size_t)s];
    ASSERT_EQ((int)starts.size(), sceneTable[s].stepCount + 1) << sceneTable[s].name;
    // Step 0 shows one frame; each later step lasts its length plus less than two frames.
    EXPECT_NEAR(starts[1] - starts[0], 1 / 30.0, 0.002) << sceneTable[s].name;
    for (int k = 1; k + 1 < (int)starts.size(); ++k) {
      const double length = sceneTable[s].steps[k - 1];
      EXPECT_GT(starts[(size_t)k + 1] - starts[(size_t)k], length) << sceneTable[s].name << " step " << k;
      EXPECT_LT(starts[(size_t)k + 1] - starts[(size_t)k], length + 0.07) << sceneTable[s].name << " step " << k;
    }
    EXPECT_GT(starts[0], previous);
    previous = starts.back();
  }
  // The last step's timer started a frame before its first frame.
  EXPECT_GT(times().end, previous + sceneTable[sceneCount - 1].steps[sceneTable[sceneCount - 1].stepCount - 1] - 0.034);
  EXPECT_NEAR(times().end, times().lastFrame / 30.0, 0.001);
}

TEST(Tune, EverySceneChangeOpensAPhraseWithinARow) {
  assets::Tune tune = assets::composeTune(times());
  openmpt_module* m = load(zub::writeXm(tune.module));
  ASSERT_NE(m, nullptr);
  for (int s = 1; s < sceneCount; ++s) {
    auto phrase = std::find_if(tune.phrases.begin(), tune.phrases.end(),
                               [&](const assets::PhraseStart& p) { return p.scene == s && p.step == 0; });
    ASSERT_NE(phrase, tune.phrases.end()) << sceneTable[s].name;
    const double sceneStart = times().stepStarts[(size_t)s][0];
    EXPECT_NEAR(phrase->seconds, sceneStart, phrase->rowSeconds) << sceneTable[s].name;
    // The player's own clock agrees with the composer's.
    const double played = openmpt_module_set_position_order_row(m, phrase->order, 0);
    EXPECT_NEAR(played, sceneStart, phrase->rowSeconds) << sceneTable[s].name;
    // In fact within a tick or two: the phrases' lengths are trimmed to the tick.
    EXPECT_NEAR(played, sceneStart, 0.03) << sceneTable[s].name;
  }
  openmpt_module_destroy(m);
}

TEST(Tune, LongerStepsReTimeTheMusic) {
  // Two seconds more in the fourth scene's second step: every later phrase moves with it.
  assets::TimelineTimes longer = times();
  for (size_t s = 3; s < longer.stepStarts.size(); ++s)
    for (size_t k = 0; k < longer.stepStarts[s].size(); ++k)
      if (s > 3 || k >= 2) longer.stepStarts[s][k] += 2.0;
  longer.end += 2.0;
  assets::Tune tune = assets::composeTune(longer);
  ASSERT_FALSE(tune.phrases.empty());
  for (const assets::PhraseStart& p : tune.phrases)
    EXPECT_NEAR(p.seconds, longer.stepStarts[(size_t)p.scene][(size_t)p.step], p.rowSeconds)
        << sceneTable[p.scene].name << " step " << p.step;
  EXPECT_NEAR(tune.seconds, longer.end, 0.1);
}

TEST(Tune, PlaysOnceOverTheWholeTimelineThenLoopsOnSilence) {
  openmpt_module* m = load(demoModule());
  ASSERT_NE(m, nullptr);
  const double duration = openmpt_module_get_duration_seconds(m);
  EXPECT_GE(duration, times().end);
  EXPECT_LE(duration, times().end + 2);
  EXPECT_EQ(openmpt_module_get_num_channels(m), 8);
  // Played on past its end, as the demo's player would on a slow machine: nothing but silence.
  openmpt_module_set_repeat_count(m, -1);
  openmpt_module_set_position_seconds(m, duration - 0.5);
  std::vector<int16_t> buffer(2 * 48000);
  int loudest = 0;
  for (int second = 0; second < 5; ++second) {
    ASSERT_EQ(openmpt_module_read_interleaved_stereo(m, 48000, 48000, buffer.data()), 48000u);
    for (int16_t s : buffer) loudest = std::max(loudest, std::abs((int)s));
  }
  EXPECT_LT(dbfs(loudest), -60);
  openmpt_module_destroy(m);
}

// One render of the whole soundtrack: its level peaks just under full scale and it ends in
// silence, every scene change is heard as an accent, and the quiet scenes stay quieter than the
// 3D scenes.
TEST(Tune, OverTheWholeTimeline_PeaksJustUnderFullScale_AccentsEveryCut_AndKeepsTheQuietScenesQuiet) {
  ASSERT_EQ(rendered().stereo.size(), (size_t)(times().lastFrame + 1) * 1600 * 2);
  EXPECT_GE(dbfs(rendered().peak), -1.0);
  EXPECT_LE(dbfs(rendered().peak), -0.3);
  // The last 0.3 s, to the end of the last frame.
  const std::vector<int16_t>& samples = rendered().stereo;
  int tail = 0;
  for (size_t i = samples.size() - (size_t)(0.3 * midasSampleRate) * 2; i < samples.size(); ++i)
    tail = std::max(tail, std::abs((int)samples[i]));
  EXPECT_LT(dbfs(tail), -40) << "the end";

  // Every scene change is heard: a clear onset at the cut, and none much stronger near it.
  int strongestAtTheCut = 0;
  for (int s = 1; s < sceneCount; ++s) {
    const double cut = times().stepStarts[(size_t)s][0];
    double where = 0;
    const double around = strongestOnset(cut - 3, cut + 3, &where), atCut = strongestOnset(cut - 0.15, cut + 0.15);
    EXPECT_GT(atCut, 3.0) << sceneTable[s].name;
    EXPECT_GT(atCut, around - 1.0) << sceneTable[s].name << ": a stronger onset at " << where << " s";
    strongestAtTheCut += atCut >= around;
  }
  EXPECT_GE(strongestAtTheCut, 8);

  // The greetings and the portrait are quieter than the 3D scenes.
  auto scene = [](int s) {
    double from = times().stepStarts[(size_t)s][0];
    double to = s + 1 < sceneCount ? times().stepStarts[(size_t)s + 1][0] : times().end;
    return level(from + 1, to - 1);
  };
  const double greets = scene(7), portrait = level(times().stepStarts[8][0] + 1, times().stepStarts[8][5] - 1);
  for (int driving : {4, 5, 9}) {
    EXPECT_LT(greets, scene(driving) - 4) << sceneTable[driving].name;
    EXPECT_LT(portrait, scene(driving) - 4) << sceneTable[driving].name;
  }
}

} // namespace
