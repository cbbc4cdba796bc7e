// Decaying blurs and the edge detector: exact values of small cases worked by hand.
#include "effect_fixture.h"

using Edges = EffectTest;

namespace {
// Expected picture from rows of per-channel grey levels.
void expectGreys(const Bitmap& b, const std::vector<std::vector<int>>& rows) {
  ASSERT_EQ((int)rows.size(), b.height);
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) EXPECT_EQ(at(b, x, y), grey(rows[y][x])) << "at " << x << "," << y;
}
} // namespace

TEST(Blurs, BlurCrossSixBySixReadsRewrittenLeftAndAbove) {
  auto b = filled(6, 6, 0x646464);
  b->blur_cross();
  expectGreys(*b, {{0, 0, 0, 0, 0, 0},
                   {0, 99, 98, 98, 98, 0},
                   {0, 98, 98, 98, 98, 0},
                   {0, 98, 98, 98, 98, 0},
                   {0, 98, 98, 98, 98, 0},
                   {0, 0, 0, 0, 0, 0}});
}

TEST(Blurs, FireSixBySixReadsOnlyUnwrittenRows) {
  auto b = filled(6, 6, 0x646464);
  b->fire();
  expectGreys(*b, {{0, 0, 0, 0, 0, 0},
                   {0, 99, 99, 99, 99, 0},
                   {0, 99, 99, 99, 99, 0},
                   {0, 99, 99, 99, 99, 0},
                   {0, 99, 99, 99, 99, 0},
                   {0, 0, 0, 0, 0, 0}});
}

TEST(Blurs, BlurHorizontalWrapsToNeighbouringRows) {
  // The first pixel of each row reads the old border at the end of the row above: 99, not 98.
  auto b = filled(6, 6, 0x646464);
  b->blur_horizontal();
  expectGreys(*b, {{0, 0, 0, 0, 0, 0},
                   {0, 99, 98, 98, 98, 0},
                   {0, 99, 98, 98, 98, 0},
                   {0, 99, 98, 98, 98, 0},
                   {0, 99, 98, 98, 98, 0},
                   {0, 0, 0, 0, 0, 0}});
}

TEST(Blurs, BlurCrossSpreadsSingleWhitePixel) {
  auto b = filled(9, 9, 0);
  b->pixels[5 * 9 + 5] = 0xFFFFFF;
  b->blur_cross();
  std::vector<std::vector<int>> want(9, std::vector<int>(9, 0));
  auto set = [&](int x, int y, int v) { want[y][x] = v; };
  set(5, 4, 62), set(4, 5, 62), set(5, 5, 30), set(6, 4, 14), set(4, 6, 14), set(6, 5, 10), set(5, 6, 10);
  set(6, 6, 4), set(7, 4, 2), set(7, 5, 2), set(4, 7, 2), set(5, 7, 2);
  expectGreys(*b, want);
}

TEST(Blurs, DecayPerChannelDropsSmallSumsToBlack) {
  // fire on 3 x 3: the centre reads itself and the three pixels of the bottom row.
  // Red sums 8 -> 1, green 3 -> 0, blue 4 -> 0; channels do not borrow from each other.
  auto b = filled(3, 3, 0);
  b->pixels[4] = 0x020101;
  b->pixels[6] = 0x020101;
  b->pixels[7] = 0x020101;
  b->pixels[8] = 0x020001;
  b->fire();
  EXPECT_EQ(at(*b, 1, 1), 0x010000u);
  for (int i = 0; i < 9; ++i) {
    if (i != 4) {
      EXPECT_EQ(b->pixels[i], 0u) << i;
    }
  }
}

TEST(Blurs, FullChannelsAndTopByte) {
  // Four whites sum to 1020 per channel: 255 - 1; the top byte is not carried into the result.
  auto b = filled(3, 3, 0xFFFFFFFF);
  b->blur_cross();
  EXPECT_EQ(at(*b, 1, 1), 0xFEFEFEu);
  auto c = filled(3, 3, 0xFF646464);
  c->blur_horizontal();
  EXPECT_EQ(at(*c, 1, 1), 0x636363u);
}

TEST(Blurs, TinyBitmapsOnlyLoseTheirBorder) {
  for (auto [w, h] : {std::pair{2, 2}, std::pair{1, 1}, std::pair{2, 7}, std::pair{7, 2}, std::pair{1, 5}}) {
    auto b = filled(w, h, 0xFFFFFF);
    b->blur_cross();
    b->fire();
    for (int64_t i = 0; i < (int64_t)w * h; ++i) EXPECT_EQ(b->pixels[i], 0u) << w << "x" << h;
  }
  auto empty = filled(0, 0, 0);
  empty->blur_horizontal();  // nothing to do, nothing touched
}

TEST_F(Edges, EdgesOnSplitImage) {
  // Left half 0, right half 200, gain 1.
  auto b = filled(8, 4, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 4; x < 8; ++x) b->pixels[y * 8 + x] = grey(200);
  b->edges(1.0f);
  expectGreys(*b, {{0, 0, 0, 0, 0, 0, 0, 0},
                   {0, 0, 0, 0, 255, 200, 200, 200},
                   {200, 0, 0, 0, 200, 0, 0, 0},
                   {200, 0, 0, 0, 200, 0, 0, 0}});
  EXPECT_EQ(ctx->bigA->width, 8);
  EXPECT_EQ(ctx->bigA->height, 4);
}

TEST_F(Edges, EdgesOnUniformPictureLeavesRowOneBright) {
  // The top row is cleared before row 1 reads it, so only a black picture stays black.
  auto b = filled(5, 4, grey(50));
  b->edges(1.0f);
  expectGreys(*b, {{0, 0, 0, 0, 0}, {100, 50, 50, 50, 50}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}});
  auto black = filled(5, 4, 0);
  black->edges(7.0f);
  expectGreys(*black, {{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}});
}

TEST_F(Edges, EdgesGainTruncatesAndSaturatesPerChannel) {
  // Bottom row red 40, green 3, blue 0 over black. Column 0 differs from above and from its left
  // neighbour (the black end of row 1); column 1 only from above.
  for (float gain : {0.3f, 10.0f}) {
    auto b = filled(2, 3, 0);
    b->pixels[4] = b->pixels[5] = 0x280300;
    b->edges(gain);
    if (gain < 1) {
      EXPECT_EQ(at(*b, 0, 2), 0x180100u) << "80 x 0.3 = 24.000002, 6 x 0.3 = 1.8000001";
      EXPECT_EQ(at(*b, 1, 2), 0x0C0000u) << "40 x 0.3 = 12.000001, 3 x 0.3 = 0.90000004";
    } else {
      EXPECT_EQ(at(*b, 0, 2), 0xFF3C00u) << "800 -> 255, 60";
      EXPECT_EQ(at(*b, 1, 2), 0xFF1E00u) << "400 -> 255, 30";
    }
  }
}

TEST_F(Edges, EdgesWithExtremeGainsStayInRange) {
  auto b = filled(4, 3, grey(10));
  b->edges(1e30f);
  EXPECT_EQ(at(*b, 1, 1), grey(255));
  auto c = filled(4, 3, grey(10));
  c->edges(-1e30f);
  EXPECT_EQ(at(*c, 1, 1), 0u);
}

TEST_F(Edges, EdgesLeavesPictureTooLargeForScratchUntouched) {
  auto b = filled(2000, 1000, grey(9));  // 2,000,000 pixels > 1600 x 1200
  b->edges(1.0f);
  EXPECT_EQ(at(*b, 0, 0), grey(9));
  EXPECT_EQ(at(*b, 1999, 999), grey(9));
  EXPECT_EQ(ctx->bigA->width, 1600);
}
