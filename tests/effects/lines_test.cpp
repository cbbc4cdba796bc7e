// Anti-aliased plot and line: weights, end points, branch choice and clipping on small pictures.
#include <cmath>

#include "effect_fixture.h"

namespace {
constexpr uint32_t kWhite = 0xFFFFFF;
// Which pixels differ from a uniform background.
int changedCount(const Bitmap& b, uint32_t background) {
  int n = 0;
  for (int64_t i = 0; i < (int64_t)b.width * b.height; ++i) n += b.pixels[i] != background;
  return n;
}
} // namespace

TEST(PlotPixelAA, SplitsWeightBetweenPixelAndTheOneBelow) {
  auto b = filled(6, 6, 0);
  b->plotPixelAA(2.9f, 3.25f, kWhite);  // weights trunc(0.75 x 255) = 191 and trunc(0.25 x 255) = 63
  EXPECT_EQ(at(*b, 2, 3), grey(190));   // 255 x 191 >> 8
  EXPECT_EQ(at(*b, 2, 4), grey(62));    // 255 x 63 >> 8
  EXPECT_EQ(changedCount(*b, 0), 2);
}

TEST(PlotPixelAA, BlendRoundsEachTermDownAndClearsTopByte) {
  auto b = filled(4, 4, 0xFF64C8FF);
  b->plotPixelAA(1.0f, 1.0f, 0x000000);  // weight 255 on (1,1), weight 0 on (1,2)
  EXPECT_EQ(at(*b, 1, 1), 0x000000u);
  EXPECT_EQ(at(*b, 1, 2), 0x63C7FEu);    // each channel c x 255 >> 8
}

TEST(PlotPixelAA, SkipsLastColumnAndRowAndOutside) {
  auto b = filled(4, 4, 0);
  for (float x : {3.0f, 3.5f, -1.0f, -7.0f, 1e30f, NAN}) b->plotPixelAA(x, 1.0f, kWhite);
  for (float y : {3.0f, -1.0f, -1e30f, INFINITY}) b->plotPixelAA(1.0f, y, kWhite);
  EXPECT_EQ(changedCount(*b, 0), 0);
  b->plotPixelAA(-0.5f, -0.5f, kWhite);  // truncates to (0, 0): inside, f = 0.5
  EXPECT_EQ(at(*b, 0, 0), grey(126));
  EXPECT_EQ(at(*b, 0, 1), grey(126));
}

TEST(DrawLineAA, VerticalCoversStartButNotEndAndDarkensRightNeighbour) {
  for (auto [from, to] : {std::pair{2.0f, 6.0f}, std::pair{6.0f, 2.0f}}) {
    auto b = filled(8, 8, grey(100));
    b->drawLineAA(3.0f, from, 3.0f, to, kWhite);
    for (int y = 2; y < 6; ++y) {
      EXPECT_EQ(at(*b, 3, y), grey(254)) << y;
      EXPECT_EQ(at(*b, 4, y), grey(99)) << y;  // weight 0: 100 x 255 >> 8
    }
    EXPECT_EQ(at(*b, 3, 6), grey(100));
    EXPECT_EQ(changedCount(*b, grey(100)), 8);
  }
}

TEST(DrawLineAA, HorizontalCoversStartButNotEndAndDarkensPixelBelow) {
  auto b = filled(8, 8, grey(100));
  b->drawLineAA(5.7f, 2.2f, 1.9f, 2.2f, kWhite);  // columns trunc(1.9) = 1 to trunc(5.7) - 1 = 4
  for (int x = 1; x < 5; ++x) {
    EXPECT_EQ(at(*b, x, 2), grey(254)) << x;
    EXPECT_EQ(at(*b, x, 3), grey(99)) << x;
  }
  EXPECT_EQ(changedCount(*b, grey(100)), 8);
}

TEST(DrawLineAA, StraightLinesClipPixelByPixel) {
  auto b = filled(8, 8, 0);
  b->drawLineAA(7.0f, 0.0f, 7.0f, 8.0f, kWhite);    // last column
  b->drawLineAA(0.0f, 7.0f, 8.0f, 7.0f, kWhite);    // last row
  b->drawLineAA(-3.0f, -9.0f, -3.0f, 20.0f, kWhite);
  EXPECT_EQ(changedCount(*b, 0), 0);
  b->drawLineAA(-1e30f, 5.0f, 1e30f, 5.0f, kWhite);  // whole row but the last column
  for (int x = 0; x < 7; ++x) EXPECT_EQ(at(*b, x, 5), grey(254)) << x;
  b->drawLineAA(2.0f, -1e30f, 2.0f, 1e30f, kWhite);  // whole column but the last row
  for (int y = 0; y < 7; ++y) EXPECT_EQ(at(*b, 2, y), grey(254)) << y;
  EXPECT_EQ(changedCount(*b, 0), 7 + 6);
}

TEST(DrawLineAA, FortyFiveDegreesIsSteepAndIncludesEndPoint) {
  // The steep branch darkens the right neighbour; the shallow one would darken the pixel below.
  auto b = filled(8, 8, grey(100));
  b->drawLineAA(1.0f, 1.0f, 4.0f, 4.0f, kWhite);
  for (int i = 1; i <= 4; ++i) {
    EXPECT_EQ(at(*b, i, i), grey(254)) << i;
    EXPECT_EQ(at(*b, i + 1, i), grey(99)) << i;
  }
  EXPECT_EQ(at(*b, 1, 2), grey(100));
  EXPECT_EQ(changedCount(*b, grey(100)), 8);
}

TEST(DrawLineAA, SteepLineSplitsAcrossColumnsInEitherDirection) {
  for (bool reversed : {false, true}) {
    auto b = filled(6, 6, 0);
    if (reversed) b->drawLineAA(1.0f, 4.0f, 0.0f, 0.0f, kWhite);
    else b->drawLineAA(0.0f, 0.0f, 1.0f, 4.0f, kWhite);
    // x = 0, 0.25, 0.5, 0.75, 1 on rows 0..4: weights 255/0, 191/63, 127/127, 63/191, 255/0.
    const int left[] = {254, 190, 126, 62, 0}, right[] = {0, 62, 126, 190, 0};
    for (int y = 0; y < 4; ++y) {
      EXPECT_EQ(at(*b, 0, y), grey(left[y])) << y;
      EXPECT_EQ(at(*b, 1, y), grey(right[y])) << y;
    }
    EXPECT_EQ(at(*b, 1, 4), grey(254));
  }
}

TEST(DrawLineAA, ShallowLinePlotsEveryColumnToTheEnd) {
  auto b = filled(6, 6, 0);
  b->drawLineAA(4.0f, 3.0f, 0.0f, 1.0f, kWhite);  // leftwards, y = 3, 2.5, 2, 1.5, 1
  EXPECT_EQ(at(*b, 4, 3), grey(254));
  EXPECT_EQ(at(*b, 3, 2), grey(126));
  EXPECT_EQ(at(*b, 3, 3), grey(126));
  EXPECT_EQ(at(*b, 2, 2), grey(254));
  EXPECT_EQ(at(*b, 0, 1), grey(254));
  EXPECT_EQ(changedCount(*b, 0), 7);
}

TEST(DrawLineAA, UnusableCoordinatesDrawNothing) {
  auto b = filled(6, 6, 0);
  b->drawLineAA(NAN, 1.0f, 3.0f, 2.0f, kWhite);
  b->drawLineAA(1.0f, 1.0f, 1.0f, NAN, kWhite);
  b->drawLineAA(INFINITY, 1.0f, 3.0f, 2.0f, kWhite);
  // A walk from beyond 2^24 would never advance; it is refused.
  b->drawLineAA(0.0f, -1e30f, 3.0f, 1e30f, kWhite);
  b->drawLineAA(-1e30f, 0.0f, 1e30f, 3.0f, kWhite);
  EXPECT_EQ(changedCount(*b, 0), 0);
  b->drawLineAA(2.0f, 3.0f, 1e30f, 3.5f, kWhite);  // shallow, walks right until it leaves
  EXPECT_EQ(at(*b, 4, 3), grey(254));
}
