// Resampling and zooms: exact sample positions (including where float steps round a size down)
// and inputs that would reach outside a picture or a scratch image.
#include <cmath>
#include <vector>

#include "effect_fixture.h"

using Resample = EffectTest;
using Zoom = EffectTest;

TEST_F(Resample, ScalePercentCopiesHalvesAndRoundsTheStep) {
  auto src = numbered(320, 240);
  Bitmap* dst = bigA.get();
  src->scale_percent(dst, 100.0f, 100.0f);
  ASSERT_EQ(dst->width * 1000 + dst->height, 320240);
  expectEach(*dst, [&](int x, int y) { return at(*src, x, y); });
  src->scale_percent(dst, 50.0f, 50.0f);
  ASSERT_EQ(dst->width * 1000 + dst->height, 160120);
  expectEach(*dst, [&](int x, int y) { return at(*src, 2 * x, 2 * y); });
  // 100 / 300 rounds to 0.33333334 and 10 / 0.33333334 back up to 30; the running sums repeat
  // columns 0, 0, 0, 1, 1, 1, ...
  auto ten = numbered(10, 1);
  ten->scale_percent(dst, 300.0f, 100.0f);
  ASSERT_EQ(dst->width, 30);
  expectEach(*dst, [&](int x, int) { return at(*ten, x / 3, 0); });
}

TEST_F(Resample, ScalePercentRefusesTinyOddOrOversizedScales) {
  auto src = numbered(10, 10);
  auto dst = filled(10, 10, 7);
  for (auto [px, py] : {std::pair{0.5f, 100.0f}, std::pair{100.0f, 0.99f}, std::pair{NAN, 100.0f},
                        std::pair{200.0f, 100.0f}, std::pair{1e30f, 1e30f}})
    src->scale_percent(dst.get(), px, py);
  ASSERT_EQ(dst->width * 100 + dst->height, 1010);
  expectEach(*dst, [](int, int) { return 7; });
}

TEST_F(Resample, ScaleToDoublesEveryPixelOrRefuses) {
  auto src = numbered(320, 240);
  Bitmap* dst = bigA.get();
  src->scale_to(dst, 640, 480);
  ASSERT_EQ(dst->width * 1000 + dst->height, 640480);
  expectEach(*dst, [&](int x, int y) { return at(*src, x / 2, y / 2); });
  auto small = filled(8, 8, 7);
  src->scale_to(small.get(), 9, 8);
  src->scale_to(small.get(), 0, 8);
  filled(0, 3, 0)->scale_to(small.get(), 4, 4);
  expectEach(*small, [](int, int) { return 7; });
}

TEST_F(Zoom, CropCopiesOrShowsTheCentreAtDoubleSize) {
  auto src = numbered(320, 240);
  auto dst = filled(320, 240, 0);
  src->zoom_crop(dst.get(), 0, 0);
  expectEach(*dst, [&](int x, int y) { return at(*src, x, y); });
  src->zoom_crop(dst.get(), 80, 60);
  expectEach(*dst, [&](int x, int y) { return at(*src, 80 + x / 2, 60 + y / 2); });
}

TEST_F(Zoom, CropPastHalfMirrorsAndMarginsOutsideDoNothing) {
  auto src = numbered(4, 4);
  auto dst = filled(4, 4, 0);
  src->zoom_crop(dst.get(), 3, 0);  // step -0.5 from column 3
  const int cols[] = {3, 2, 2, 1};
  expectEach(*dst, [&](int x, int y) { return at(*src, cols[x], y); });
  auto same = filled(4, 4, 5), narrow = filled(3, 4, 5);
  for (auto [mx, my] : {std::pair{-1, 0}, std::pair{0, -3}, std::pair{4, 0}, std::pair{0, 4}})
    src->zoom_crop(same.get(), mx, my);
  src->zoom_crop(narrow.get(), 0, 0);  // 16 pixels do not fit in 12
  expectEach(*same, [](int, int) { return 5; });
  EXPECT_EQ(narrow->width, 3);
}

TEST_F(Zoom, FeedbackAveragesWithTheInsetEnlargement) {
  // 8 x 6, k = 1: steps 0.75 and 0.6666667 from (1, 1).
  auto pic = numbered(8, 6), before = numbered(8, 6);
  pic->zoom_feedback(1, big);
  const int cols[] = {1, 1, 2, 3, 4, 4, 5, 6}, rows[] = {1, 1, 2, 3, 3, 4};
  expectEach(*pic, [&](int x, int y) {
    return ((at(*before, x, y) >> 1) & 0x7F7F7F) + ((at(*before, cols[x], rows[y]) >> 1) & 0x7F7F7F);
  });
  for (int k : {0, -4, 6})  // 6: a margin as tall as the picture would sample outside it
    before->zoom_feedback(k, big);
  expectEach(*before, [](int x, int y) { return (y << 12 | x) + 1; });
}

TEST_F(Zoom, MarkedAtZeroFramesTheRectangleInPlace) {
  auto src = numbered(320, 240);
  auto dst = filled(320, 240, 0);
  src->zoom_marked(dst.get(), 164, 136, 156, 64, 0.0f, 0x00FF00, big);
  // Framed copy at (164, 136); lines through its centre (242, 168), weight 255 over black.
  expectEach(*dst, [&](int x, int y) {
    bool inside = x >= 164 && x < 320 && y >= 136 && y < 200;
    if (inside) return x == 164 || x == 319 || y == 136 || y == 199 ? 0x00FF00u : at(*src, x, y);
    return (y == 168 && x < 319) || (x == 242 && y < 239) ? 0x00FE00u : 0u;
  });
}

TEST_F(Zoom, MarkedAtOneIsARowShortAndOneRowLower) {
  // fy = 3.75: step 0.26666668, 64 / 0.26666668 rounds to 239.99998, so 239 rows placed at
  // 120 - 119 = 1. The width comes out at exactly 320.
  auto src = numbered(320, 240);
  auto dst = filled(320, 240, 0);
  src->zoom_marked(dst.get(), 164, 136, 156, 64, 1.0f, 0x00FF00, big);
  EXPECT_EQ(bigA->width * 1000 + bigA->height, 320239);
  EXPECT_EQ(at(*dst, 0, 1), 0x00FF00u);
  EXPECT_EQ(at(*dst, 319, 239), 0x00FF00u);
  EXPECT_EQ(at(*dst, 5, 0), 0u);  // the row the copy leaves free, crossed by the vertical line
  EXPECT_EQ(at(*dst, 160, 0), 0x00FE00u);
  EXPECT_EQ(at(*dst, 1, 2), at(*src, 164, 136));
  EXPECT_EQ(at(*dst, 318, 238), at(*src, 319, 199));
}

TEST_F(Zoom, MarkedRectanglePastThePictureReadsBlack) {
  auto src = filled(100, 80, 0xFFFFFF);
  auto dst = filled(100, 80, 0x123456);
  src->zoom_marked(dst.get(), 90, 70, 20, 20, 0.0f, 0x0000FF, big);
  expectEach(*bigB, [](int x, int y) { return x < 10 && y < 10 ? 0xFFFFFF : 0; });
  src->zoom_marked(dst.get(), -500, -500, 20, 20, 0.5f, 0x0000FF, big);
  auto same = filled(100, 80, 0x123456);
  src->zoom_marked(same.get(), 0, 0, 0, 10, 0.5f, 0x0000FF, big);
  src->zoom_marked(same.get(), 0, 0, 2000, 1000, 0.5f, 0x0000FF, big);  // more than bigB holds
  expectEach(*same, [](int, int) { return 0x123456; });
}

TEST_F(Zoom, WindowGrowsFromRectangleToWholePicture) {
  auto src = numbered(320, 240);
  auto dst = filled(320, 240, 0);
  src->zoom_window(dst.get(), 50, 40, 10, 10, 0.0f, big);  // steps 1/32 and 0.041666668 (just over 1/24)
  expectEach(*dst, [&](int x, int y) { return at(*src, 50 + x / 32, 40 + y / 24); });
  src->zoom_window(dst.get(), 50, 40, 10, 10, 1.0f, big);
  expectEach(*dst, [&](int x, int y) { return at(*src, x, y); });
}

TEST_F(Zoom, WindowPastThePictureReadsBlackAndOversizeDoesNothing) {
  auto src = filled(320, 240, 0xFFFFFF);
  auto dst = filled(40, 60, 0x123456);
  src->zoom_window(dst.get(), 300, 200, 40, 60, 0.0f, big);  // same size: a straight copy
  expectEach(*dst, [](int x, int y) { return x < 20 && y < 40 ? 0xFFFFFF : 0; });
  auto huge = filled(2000, 1000, 9);
  src->zoom_window(huge.get(), 50, 40, 10, 10, 0.5f, big);
  src->zoom_window(dst.get(), 50, 40, 0, 10, 0.5f, big);
  expectEach(*huge, [](int, int) { return 9; });
  EXPECT_EQ(at(*dst, 0, 0), 0xFFFFFFu);
}

TEST_F(Zoom, TileCountsAreOddAndTheMiddleTileCentred) {
  auto src = numbered(320, 240);
  auto dst = filled(320, 240, 0);
  src->tile(dst.get(), 1.0f, 1.0f, big);  // one full-size copy
  EXPECT_EQ(bigA->width * 1000 + bigA->height, 320240);
  expectEach(*dst, [&](int x, int y) { return at(*src, x, y); });
  src->tile(dst.get(), 0.5f, 1.5f, big);  // 160 x 120 pieces, 3 x 3 of them
  EXPECT_EQ(bigA->width * 1000 + bigA->height, 480360);
  expectEach(*dst, [&](int x, int y) { return at(*src, 2 * ((x + 80) % 160), 2 * ((y + 60) % 120)); });
  auto square = numbered(100, 100);
  square->tile(dst.get(), 3.0f, 1.0f, big);  // 320 / 100 = 3 is odd but 300 < 320: 5; 240 / 100 = 2: 3
  EXPECT_EQ(bigA->width * 1000 + bigA->height, 500300);
  EXPECT_EQ(at(*dst, 0, 0), at(*square, 90, 30));
}

TEST_F(Zoom, TileBelowOnePercentReusesThePieceAndOversizeDoesNothing) {
  auto src = numbered(100, 100);
  auto dst = filled(320, 240, 0);
  src->tile(dst.get(), 0.5f, 0.5f, big);
  filled(100, 100, 0xFFFFFF)->tile(dst.get(), 2.0f, -0.5f, big);  // u = 0, v = -0.5: nothing resampled
  EXPECT_EQ(at(*dst, 0, 0), at(*src, 2 * 15, 2 * 5));       // 7 x 5 pieces of 50: 350 x 250, centred
  auto huge = filled(4000, 3000, 3);                          // 41 x 31 pieces would not fit in bigA
  src->tile(huge.get(), 1.0f, 1.0f, big);
  expectEach(*huge, [](int, int) { return 3; });
}

// Rectangles whose area times four overflows 64 bits must be refused, not wrapped to a small size
// that passes the capacity check.
TEST_F(Zoom, ImpossibleRectanglesDoNothing) {
  auto src = numbered(20, 20);
  auto dst = filled(20, 20, 0x123456);
  bigA->width = bigB->width = 7;
  bigA->height = bigB->height = 5;
  src->zoom_marked(dst.get(), 0, 0, INT32_MAX, INT32_MAX, 0.0f, 0x00FF00, big);
  src->zoom_marked(dst.get(), 0, 0, 2147483520, 2147483520, 0.5f, 0x00FF00, big);
  // 2147483520 is the largest float below 2^31: at t = 0 the window keeps that size.
  src->zoom_window(dst.get(), 0, 0, 2147483520, 2147483520, 0.0f, big);
  src->zoom_window(dst.get(), 0, 0, INT32_MAX, 3, 0.0f, big);
  expectEach(*dst, [](int, int) { return 0x123456; });
  EXPECT_EQ(bigA->width * 100 + bigA->height, 705);
  EXPECT_EQ(bigB->width * 100 + bigB->height, 705);
}

// Resampling or distorting a picture into itself (or through the scratch image it also uses)
// would resize or overwrite what it is still reading: such calls do nothing.
TEST_F(Resample, AliasedOperandsAreRefused) {
  auto pic = numbered(8, 6);
  auto unchanged = [&] {
    ASSERT_EQ(pic->width * 100 + pic->height, 806);
    expectEach(*pic, [](int x, int y) { return (uint32_t)(y << 12 | x) + 1; });
  };
  pic->scale_to(pic.get(), 4, 3);
  pic->scale_percent(pic.get(), 50.0f, 50.0f);
  pic->zoom_crop(pic.get(), 1, 1);
  pic->wave_horizontal(pic.get(), 1.0f, 0.1f, 0.0f);
  pic->rotate(pic.get(), 90);
  pic->swirl(pic.get(), 90);
  pic->horizlinescroll(pic.get(), 1.0f);
  unchanged();
  EXPECT_EQ(pic->rowOffsets, nullptr);

  Bitmap* a = bigA.get();
  Bitmap* b = bigB.get();
  a->width = 8;
  a->height = 6;
  numbered(8, 6)->blit(a, 0, 0);
  a->scale_to(a, 4, 3);
  a->zoom_feedback(2, big);
  a->wave_vertical(1.0f, 1.0f, 0.0f, big);
  a->edges(1.0f, big);
  pic->zoom_marked(b, 0, 0, 4, 4, 0.5f, 0xFF, big);
  b->zoom_window(pic.get(), 0, 0, 4, 4, 0.5f, big);
  pic->tile(a, 0.5f, 0.5f, big);
  unchanged();
  ASSERT_EQ(a->width * 100 + a->height, 806);
  expectEach(*a, [](int x, int y) { return (uint32_t)(y << 12 | x) + 1; });
}

// The destination takes the source's size first, even when the source has no columns.
TEST_F(Zoom, CropFromAnEmptyPictureGivesItsSize) {
  auto empty = filled(0, 5, 0);
  auto dst = filled(4, 4, 9);
  empty->zoom_crop(dst.get(), 0, 0);
  EXPECT_EQ(dst->width * 100 + dst->height, 5);
  auto flat = filled(6, 0, 0);
  flat->zoom_crop(dst.get(), 2, 0);
  EXPECT_EQ(dst->width * 100 + dst->height, 600);
}

// The cross line of a rectangle centred half a pixel above a one-row destination must not reach
// the row below it (the destination borrows the first row of a guarded buffer).
TEST_F(Zoom, MarkedOntoOneRowNeverWritesBelowIt) {
  constexpr uint32_t kGuard = 0x123456;
  std::vector<uint32_t> memory(20, kGuard);
  Bitmap dst(10, 1);
  dst.borrowPixels(memory.data());
  auto src = numbered(10, 10);
  src->zoom_marked(&dst, 0, -1, 1, 1, 0.0f, 0x00FF00, big);  // gy = 0.5 - 1 = -0.5
  EXPECT_EQ(memory[0], 0x00FF00u);  // the framed 1 x 1 copy at (0, 0)
  for (size_t i = 1; i < memory.size(); ++i) EXPECT_EQ(memory[i], kGuard) << i;
}
