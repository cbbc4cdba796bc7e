// The flash analyser on sequences whose answer is known, the limiter on a strobe, and the warnings
// that every document and page shows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <vector>

#include "safety/flash_limiter.h"
#include "safety/flash_stretches.h"

namespace zub {
void PrintTo(const PublishedStretch& s, std::ostream* out) { *out << "{" << s.start << ", " << s.end << ", " << s.red << "}"; }
} // namespace zub

namespace {

const int W = 320, H = 240;
using Frame = std::vector<uint32_t>;
using Painter = std::function<void(Frame&, int frame, double seconds)>;

int32_t frameMs(int n) { return (int32_t)std::lround(n * 1000.0 / 30); }

// Feeds `seconds` of 30 frames per second painted by `paint`; returns the verdicts' failures by kind.
std::pair<int, int> analyse(const Painter& paint, double seconds) {
  zub::FlashAnalyser analyser;
  Frame frame(W * H);
  int general = 0, red = 0;
  for (int n = 0; n < seconds * 30; ++n) {
    paint(frame, n, n / 30.0);
    zub::FlashVerdict v = analyser.add(frame.data(), frameMs(n));
    general += v.fails[zub::GeneralFlash];
    red += v.fails[zub::RedFlash];
  }
  return {general, red};
}

// A square wave of `hz` flashes per second between two colours over a rectangle of cells.
Painter flashing(double hz, uint32_t a, uint32_t b, int cellsWide = 32, int cellsHigh = 24, uint32_t rest = 0) {
  return [=](Frame& f, int, double s) {
    uint32_t colour = (int)std::floor(s * hz * 2 + 1e-9) % 2 ? b : a;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) f[y * W + x] = x < cellsWide * 10 && y < cellsHigh * 10 ? colour : rest;
  };
}

TEST(FlashAnalyser, FullFrameFlashFailsAtFourHertzAndPassesAtThree_AndASlowFadePasses) {
  EXPECT_GT(analyse(flashing(4, 0x000000, 0xFFFFFF), 3).first, 0);
  EXPECT_EQ(analyse(flashing(3, 0x000000, 0xFFFFFF), 3), std::make_pair(0, 0));
  // Bright flashes whose darker state is at 0.8 or above are not flashes.
  EXPECT_EQ(analyse(flashing(10, 0xF0F0F0, 0xFFFFFF), 3).first, 0);
  // Black to white and back once a second, one grey step a frame: two transitions a second.
  auto fade = [](Frame& f, int n, double) {
    int phase = n % 30, level = phase < 15 ? phase * 17 : (30 - phase) * 17;
    std::fill(f.begin(), f.end(), (uint32_t)(level * 0x010101));
  };
  EXPECT_EQ(analyse(fade, 4), std::make_pair(0, 0));
}

TEST(FlashAnalyser, AnAreaJustUnderAQuarterOfTheFieldPasses_AndJustOverFails) {
  // 22 cells of a field (11 x 8 cells) are a quarter of it; 21 are not.
  EXPECT_GT(analyse(flashing(10, 0x000000, 0xFFFFFF, 11, 2), 2).first, 0);
  EXPECT_EQ(analyse(flashing(10, 0x000000, 0xFFFFFF, 7, 3), 2).first, 0);
  // Split across two fields that do not overlap enough, the same area passes.
  auto apart = [](Frame& f, int, double s) {
    uint32_t colour = (int)std::floor(s * 20) % 2 ? 0xFFFFFF : 0;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) f[y * W + x] = y < 10 && (x < 110 || x >= 210) ? colour : 0;
  };
  EXPECT_EQ(analyse(apart, 2).first, 0);
}

TEST(FlashAnalyser, SaturatedRedAgainstGreyOfEqualLuminanceFailsOnlyAsRed_AndNoiseIsNoFlash) {
  // Linear 0.2126 for pure red; grey 127 is linear 0.2122.
  std::pair<int, int> red = analyse(flashing(10, 0xFF0000, 0x7F7F7F), 2);
  EXPECT_EQ(red.first, 0);
  EXPECT_GT(red.second, 0);
  // Between a saturated orange and one just under saturation the red value changes by less than 20:
  // no red flash, and too little change of luminance for a general one.
  EXPECT_EQ(analyse(flashing(10, 0xFF8800, 0xFF9000), 2), std::make_pair(0, 0));
  // Between two reds of equal red value neither of which is saturated: no red flash.
  EXPECT_EQ(analyse(flashing(10, 0xFF9090, 0x800000 | 0x3030), 2).second, 0);
  // Every pixel a new random grey every frame: a pixel's noise is not a flash.
  uint32_t seed = 12345;
  auto noise = [&](Frame& f, int, double) {
    for (uint32_t& p : f) {
      seed = seed * 1664525u + 1013904223u;
      p = (seed >> 24) * 0x010101u;
    }
  };
  EXPECT_EQ(analyse(noise, 3), std::make_pair(0, 0));
}

// The whole-frame measure runs a band of cells at once; its light must be measureCell's to the bit,
// on frames with reds above and below their greens and blues.
TEST(FlashAnalyser, TheWholeFrameMeasureGivesEachCellsOwnLightExactly) {
  std::vector<uint32_t> frame(320 * 240);
  uint32_t seed = 12345;
  for (uint32_t& p : frame) {
    seed = seed * 1664525u + 1013904223u;
    p = seed >> 8;
  }
  for (int i = 0; i < 320 * 40; ++i) frame[i] &= 0xFF0F0F; // a band of nearly pure red
  auto whole = std::make_unique<zub::CellLight>();
  zub::FlashAnalyser::measure(frame.data(), *whole);
  for (int c = 0; c < zub::FlashAnalyser::cells; ++c) {
    float luminance, red;
    bool saturated;
    zub::FlashAnalyser::measureCell(frame.data(), c, luminance, red, saturated);
    ASSERT_EQ(std::memcmp(&luminance, &whole->luminance[c], 4), 0) << "cell " << c;
    ASSERT_EQ(std::memcmp(&red, &whole->red[c], 4), 0) << "cell " << c;
    ASSERT_EQ(saturated, whole->saturated[c]) << "cell " << c;
  }
  EXPECT_TRUE(whole->saturated[0]);
}

TEST(FlashLimiter, AStrobeIsHeldWithinTheThreshold_WhileFramesBeforeItAreUntouched) {
  zub::FlashLimiter limiter;
  zub::FlashAnalyser shown;
  Frame frame(W * H), original(W * H);
  Painter strobe = flashing(15, 0x000000, 0xFF2020); // saturated red and black, both kinds at once
  int changedEarly = 0, failing = 0, changed = 0;
  for (int n = 0; n < 90; ++n) {
    // One second of a still picture, then the strobe.
    if (n < 30) std::fill(frame.begin(), frame.end(), 0x204060u);
    else strobe(frame, n, n / 30.0);
    original = frame;
    bool acted = limiter.apply(frame.data(), frameMs(n));
    EXPECT_EQ(acted, frame != original) << "frame " << n;
    if (acted && n < 33) ++changedEarly;
    changed += acted;
    failing += shown.add(frame.data(), frameMs(n)).failing();
  }
  EXPECT_EQ(failing, 0);
  EXPECT_EQ(changedEarly, 0);  // the first flashes are within the limit
  EXPECT_GT(changed, 15);      // the strobe is held back where it shows a change
  EXPECT_EQ(limiter.framesChanged, changed);
}

std::string fileText(const char* relative) {
  std::ifstream in(std::string(ZUB_SOURCE_DIR) + "/" + relative);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(FlashWarning, EveryDocumentAndThePageListThePublishedStretches) {
  std::string list = zub::flashStretchList();
  ASSERT_FALSE(list.empty());
  for (const char* file : {"README.md", "packaging/zubdemo.desktop", "packaging/windows-readme.txt", "web/index.html"})
    EXPECT_NE(fileText(file).find(list), std::string::npos) << file << " does not list the flashes as: " << list;
}

TEST(FlashWarning, PublishedStretchesAreRoundedOutwardAndMergedWhenClose) {
  std::vector<zub::FailingStretch> measured = {{37.9, 46.6, zub::GeneralFlash, 10},
                                               {40.8, 45.4, zub::RedFlash, 6.5},
                                               {49.9, 52.0, zub::GeneralFlash, 6.5},
                                               {64.3, 66.7, zub::GeneralFlash, 6}};
  std::vector<zub::PublishedStretch> expected = {{37, 52, true}, {64, 67, false}};
  EXPECT_EQ(zub::publishable(measured), expected);
}

} // namespace
