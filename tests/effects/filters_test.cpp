// Decaying blurs and the edge detector on small pictures worked out by hand.
#include <map>

#include "effect_fixture.h"

using Edges = EffectTest;

namespace {
bool onBorder(const Bitmap& b, int x, int y) { return x == 0 || y == 0 || x == b.width - 1 || y == b.height - 1; }
} // namespace

TEST(Blurs, SixBySixGreyOnePass) {
  // blur_cross reads its rewritten left and upper neighbours: 99 at (1, 1), 98 after. fire reads
  // only the row below, not yet rewritten: 99. blur_horizontal's first column reads the old
  // border at the end of the row above: 99.
  auto cross = filled(6, 6, grey(100)), fire = filled(6, 6, grey(100)), horiz = filled(6, 6, grey(100));
  cross->blur_cross();
  fire->fire();
  horiz->blur_horizontal();
  expectEach(*cross, [&](int x, int y) { return onBorder(*cross, x, y) ? 0 : grey(x == 1 && y == 1 ? 99 : 98); });
  expectEach(*fire, [&](int x, int y) { return onBorder(*fire, x, y) ? 0 : grey(99); });
  expectEach(*horiz, [&](int x, int y) { return onBorder(*horiz, x, y) ? 0 : grey(x == 1 ? 99 : 98); });
}

TEST(Blurs, CrossSpreadsSingleWhitePixel) {
  auto b = filled(9, 9, 0);
  b->pixels[5 * 9 + 5] = 0xFFFFFF;
  b->blur_cross();
  std::map<std::pair<int, int>, int> lit = {{{5, 4}, 62}, {{4, 5}, 62}, {{5, 5}, 30}, {{6, 4}, 14}, {{4, 6}, 14},
                                            {{6, 5}, 10}, {{5, 6}, 10}, {{6, 6}, 4},  {{7, 4}, 2},  {{7, 5}, 2},
                                            {{4, 7}, 2},  {{5, 7}, 2}};
  expectEach(*b, [&](int x, int y) { return lit.count({x, y}) ? grey(lit[{x, y}]) : 0; });
}

TEST(Blurs, ChannelsDecaySeparately) {
  // fire on 3 x 3, centre from itself and the bottom row: red sums 8 -> 1, green 3 -> 0, blue 4 -> 0.
  auto b = filled(3, 3, 0);
  b->pixels[4] = b->pixels[6] = b->pixels[7] = 0x020101;
  b->pixels[8] = 0x020001;
  b->fire();
  expectEach(*b, [](int x, int y) { return x == 1 && y == 1 ? 0x010000 : 0; });
  // Four full channels sum to 1020: 254. The top byte is not carried into the result.
  auto white = filled(3, 3, 0xFFFFFFFF);
  white->blur_horizontal();
  EXPECT_EQ(at(*white, 1, 1), 0xFEFEFEu);
}

TEST(Blurs, TinyBitmapsOnlyLoseTheirBorder) {
  for (auto [w, h] : {std::pair{2, 2}, std::pair{1, 1}, std::pair{2, 7}, std::pair{7, 2}}) {
    auto b = filled(w, h, 0xFFFFFF);
    b->blur_cross();
    expectEach(*b, [](int, int) { return 0; });
  }
}

TEST_F(Edges, SplitImageGainOne) {
  // Left half 0, right half 200. The top row is cleared before row 1 reads it; column 0's left
  // neighbour is the last pixel of the row above.
  auto b = filled(8, 4, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 4; x < 8; ++x) b->pixels[y * 8 + x] = grey(200);
  b->edges(1.0f, big);
  expectEach(*b, [](int x, int y) {
    if (y == 0) return 0u;
    if (y == 1) return x < 4 ? 0u : grey(x == 4 ? 255 : 200);
    return x == 0 || x == 4 ? grey(200) : 0u;
  });
  EXPECT_EQ(bigA->width * 10 + bigA->height, 84);
}

TEST_F(Edges, UniformPictureLeavesRowOneBright) {
  auto b = filled(5, 4, grey(50));
  b->edges(1.0f, big);
  expectEach(*b, [](int x, int y) { return y == 1 ? grey(x == 0 ? 100 : 50) : 0; });
}

TEST_F(Edges, GainTruncatesAndSaturatesPerChannel) {
  // Bottom row red 40, green 3 over black: column 0 differs from above and left, column 1 from above.
  const std::pair<float, std::pair<uint32_t, uint32_t>> cases[] = {
      {0.3f, {0x180100, 0x0C0000}},    // 80 x 0.3 = 24.000002, 6 x 0.3 = 1.8; 12.000001, 0.90000004
      {10.0f, {0xFF3C00, 0xFF1E00}},   // 800, 60; 400, 30
      {1e30f, {0xFFFF00, 0xFFFF00}},   // saturates without overflowing the conversion
      {-1e30f, {0, 0}}};
  for (auto [gain, want] : cases) {
    auto b = filled(2, 3, 0);
    b->pixels[4] = b->pixels[5] = 0x280300;
    b->edges(gain, big);
    EXPECT_EQ(at(*b, 0, 2), want.first) << gain;
    EXPECT_EQ(at(*b, 1, 2), want.second) << gain;
  }
  // 10 x 0.7 is 6.9999999 and 20 x 0.7 is 13.9999998 exactly; rounded to a float they would be
  // 7 and 14.
  auto b = filled(2, 3, 0);
  b->pixels[4] = b->pixels[5] = 0x0A0000;
  b->edges(0.7f, big);
  EXPECT_EQ(at(*b, 0, 2), 0x0D0000u);
  EXPECT_EQ(at(*b, 1, 2), 0x060000u);
}

TEST_F(Edges, PictureTooLargeForBigAIsLeftAlone) {
  auto b = filled(2000, 1000, grey(9));
  b->edges(1.0f, big);
  expectEach(*b, [](int, int) { return grey(9); });
}
