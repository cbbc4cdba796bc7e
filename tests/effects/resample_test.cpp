// Resampling and zooms: exact sample positions (including where float steps round a size down),
// and the inputs that would reach outside a picture or a scratch image.
#include <cmath>

#include "effect_fixture.h"

using Resample = EffectTest;
using Zoom = EffectTest;

namespace {
uint32_t half(uint32_t d, uint32_t s) { return ((d >> 1) & 0x7F7F7F) + ((s >> 1) & 0x7F7F7F); }
} // namespace

TEST_F(Resample, ScalePercentHundredCopies) {
  auto src = numbered(7, 5);
  Bitmap* dst = ctx->bigA.get();
  src->scale_percent(dst, 100.0f, 100.0f);
  ASSERT_EQ(dst->width, 7);
  ASSERT_EQ(dst->height, 5);
  for (int i = 0; i < 35; ++i) EXPECT_EQ(dst->pixels[i], src->pixels[i]);
}

TEST_F(Resample, ScalePercentFiftyTakesEvenColumnsAndRows) {
  auto src = numbered(320, 240);
  Bitmap* dst = ctx->bigA.get();
  src->scale_percent(dst, 50.0f, 50.0f);
  ASSERT_EQ(dst->width, 160);
  ASSERT_EQ(dst->height, 120);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) ASSERT_EQ(at(*dst, x, y), at(*src, 2 * x, 2 * y)) << x << "," << y;
}

TEST_F(Resample, ScalePercentSizeComesFromTheRoundedStep) {
  // 100 / 300 rounds to 0.33333334; 10 / 0.33333334 rounds back to 30.0.
  auto src = numbered(10, 2);
  Bitmap* dst = ctx->bigA.get();
  src->scale_percent(dst, 300.0f, 100.0f);
  ASSERT_EQ(dst->width, 30);
  const int cols[] = {0, 0, 0, 1, 1, 1, 2, 2, 2, 3};  // running sums of the step, truncated
  for (int x = 0; x < 10; ++x) EXPECT_EQ(at(*dst, x, 1), at(*src, cols[x], 1)) << x;
  EXPECT_EQ(at(*dst, 29, 0), at(*src, 9, 0));
}

TEST_F(Resample, ScalePercentRefusesTinyOddOrOversizedScales) {
  auto src = numbered(10, 10);
  auto dst = filled(10, 10, 0xABCDEF);
  for (auto [px, py] : {std::pair{0.5f, 100.0f}, std::pair{100.0f, 0.99f}, std::pair{NAN, 100.0f},
                        std::pair{-50.0f, 100.0f}, std::pair{200.0f, 100.0f}, std::pair{1e30f, 1e30f}}) {
    src->scale_percent(dst.get(), px, py);
    EXPECT_EQ(dst->width, 10);
    EXPECT_EQ(dst->height, 10);
    EXPECT_EQ(dst->pixels[0], 0xABCDEFu);
  }
}

TEST_F(Resample, ScaleToDoublesEveryPixel) {
  auto src = numbered(320, 240);
  Bitmap* dst = ctx->bigA.get();
  src->scale_to(dst, 640, 480);
  ASSERT_EQ(dst->width, 640);
  ASSERT_EQ(dst->height, 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) ASSERT_EQ(at(*dst, x, y), at(*src, x / 2, y / 2)) << x << "," << y;
}

TEST_F(Resample, ScaleToRefusesWhatDoesNotFit) {
  auto src = numbered(8, 8);
  auto dst = filled(8, 8, 7);
  src->scale_to(dst.get(), 9, 8);
  src->scale_to(dst.get(), 0, 8);
  auto empty = filled(0, 3, 0);
  empty->scale_to(dst.get(), 4, 4);
  EXPECT_EQ(dst->width, 8);
  EXPECT_EQ(dst->pixels[0], 7u);
}

TEST_F(Zoom, CropWithoutMarginsCopies) {
  auto src = numbered(32, 24);
  auto dst = filled(32, 24, 0);
  src->zoom_crop(dst.get(), 0, 0);
  for (int i = 0; i < 32 * 24; ++i) ASSERT_EQ(dst->pixels[i], src->pixels[i]);
}

TEST_F(Zoom, CropEightySixtyShowsCentreAtDoubleSize) {
  auto src = numbered(320, 240);
  auto dst = filled(320, 240, 0);
  src->zoom_crop(dst.get(), 80, 60);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) ASSERT_EQ(at(*dst, x, y), at(*src, 80 + x / 2, 60 + y / 2)) << x << "," << y;
}

TEST_F(Zoom, CropPastHalfMirrorsAndOutsideMarginsDoNothing) {
  auto src = numbered(4, 4);
  auto dst = filled(4, 4, 0);
  src->zoom_crop(dst.get(), 3, 0);  // step -0.5 from column 3
  const int cols[] = {3, 2, 2, 1};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(at(*dst, x, 2), at(*src, cols[x], 2)) << x;
  auto untouched = filled(4, 4, 5);
  for (auto [mx, my] : {std::pair{-1, 0}, std::pair{0, -3}, std::pair{4, 0}, std::pair{0, 4}}) {
    src->zoom_crop(untouched.get(), mx, my);
  }
  auto small = filled(3, 4, 5);
  src->zoom_crop(small.get(), 0, 0);  // 16 pixels do not fit in 12
  EXPECT_EQ(untouched->pixels[0], 5u);
  EXPECT_EQ(untouched->pixels[15], 5u);
  EXPECT_EQ(small->width, 3);
}

TEST_F(Zoom, FeedbackAveragesWithTheInsetEnlargement) {
  // 8 x 6, k = 1: steps 0.75 and 0.6666667 from (1, 1).
  auto pic = numbered(8, 6);
  auto before = numbered(8, 6);
  pic->zoom_feedback(1);
  const int cols[] = {1, 1, 2, 3, 4, 4, 5, 6}, rows[] = {1, 1, 2, 3, 3, 4};
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(at(*pic, x, y), half(at(*before, x, y), at(*before, cols[x], rows[y]))) << x << "," << y;
  auto same = numbered(8, 6);
  same->zoom_feedback(0);
  same->zoom_feedback(-4);
  same->zoom_feedback(6);  // margin as tall as the picture: would read outside
  for (int i = 0; i < 48; ++i) EXPECT_EQ(same->pixels[i], before->pixels[i]);
}

TEST_F(Zoom, MarkedAtZeroFramesTheRectangleInPlace) {
  auto src = numbered(320, 240);
  auto dst = filled(320, 240, 0);
  src->zoom_marked(dst.get(), 164, 136, 156, 64, 0.0f, 0x00FF00);
  // Copy at (164, 136), framed; centre (242, 168) marked by lines that the copy covers.
  for (int y = 137; y < 199; ++y)
    for (int x = 165; x < 319; ++x) ASSERT_EQ(at(*dst, x, y), at(*src, x, y)) << x << "," << y;
  for (int x = 164; x < 320; ++x) EXPECT_EQ(at(*dst, x, 136), 0x00FF00u) << x;
  for (int y = 136; y < 200; ++y) EXPECT_EQ(at(*dst, 164, y), 0x00FF00u) << y;
  EXPECT_EQ(at(*dst, 10, 168), 0x00FE00u);   // horizontal line, weight 255 over black
  EXPECT_EQ(at(*dst, 242, 10), 0x00FE00u);   // vertical line
  EXPECT_EQ(at(*dst, 10, 169), 0u);
  EXPECT_EQ(at(*dst, 10, 167), 0u);
}

TEST_F(Zoom, MarkedAtOneIsARowShortAndOneRowLower) {
  // fy = 3.75 gives the step 0.26666668, and 64 / 0.26666668 rounds to 239.99998: 239 rows,
  // placed at 120 - 119 = 1. The width comes out at exactly 320.
  auto src = numbered(320, 240);
  auto dst = filled(320, 240, 0);
  src->zoom_marked(dst.get(), 164, 136, 156, 64, 1.0f, 0x00FF00);
  EXPECT_EQ(ctx->bigA->width, 320);
  EXPECT_EQ(ctx->bigA->height, 239);
  EXPECT_EQ(at(*dst, 0, 1), 0x00FF00u);
  EXPECT_EQ(at(*dst, 319, 239), 0x00FF00u);
  EXPECT_EQ(at(*dst, 5, 0), 0u);              // the row the copy leaves free
  EXPECT_EQ(at(*dst, 160, 0), 0x00FE00u);     // vertical line through the centre
  EXPECT_EQ(at(*dst, 1, 2), at(*src, 164, 136));
  EXPECT_EQ(at(*dst, 318, 238), at(*src, 319, 199));
}

TEST_F(Zoom, MarkedRectanglePastThePictureReadsBlack) {
  auto src = filled(100, 80, 0xFFFFFF);
  auto dst = filled(100, 80, 0x123456);
  src->zoom_marked(dst.get(), 90, 70, 20, 20, 0.0f, 0x0000FF);
  EXPECT_EQ(at(*ctx->bigB, 5, 5), 0xFFFFFFu);
  EXPECT_EQ(at(*ctx->bigB, 10, 5), 0u);
  EXPECT_EQ(at(*ctx->bigB, 5, 10), 0u);
  EXPECT_EQ(at(*dst, 95, 75), 0xFFFFFFu);
  src->zoom_marked(dst.get(), -500, -500, 20, 20, 0.5f, 0x0000FF);  // wholly outside: no fault
  auto before = filled(100, 80, 0x123456);
  auto untouched = filled(100, 80, 0x123456);
  src->zoom_marked(untouched.get(), 0, 0, 0, 10, 0.5f, 0x0000FF);
  src->zoom_marked(untouched.get(), 0, 0, 2000, 1000, 0.5f, 0x0000FF);  // bigger than bigB
  for (int i = 0; i < 8000; ++i) ASSERT_EQ(untouched->pixels[i], before->pixels[i]);
}

TEST_F(Zoom, WindowGrowsFromRectangleToWholePicture) {
  auto src = numbered(320, 240);
  auto dst = filled(320, 240, 0);
  src->zoom_window(dst.get(), 50, 40, 10, 10, 0.0f);  // steps 1/32 and 0.041666668
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) ASSERT_EQ(at(*dst, x, y), at(*src, 50 + x / 32, 40 + y / 24)) << x << "," << y;
  src->zoom_window(dst.get(), 50, 40, 10, 10, 1.0f);
  for (int i = 0; i < 320 * 240; ++i) ASSERT_EQ(dst->pixels[i], src->pixels[i]) << i;
}

TEST_F(Zoom, WindowPastThePictureReadsBlack) {
  auto src = filled(320, 240, 0xFFFFFF);
  auto dst = filled(40, 60, 0x123456);
  src->zoom_window(dst.get(), 300, 200, 40, 60, 0.0f);  // same size: a straight copy
  EXPECT_EQ(at(*dst, 19, 39), 0xFFFFFFu);
  EXPECT_EQ(at(*dst, 20, 39), 0u);
  EXPECT_EQ(at(*dst, 19, 40), 0u);
}

TEST_F(Zoom, WindowLeavesDestinationTooBigForScratchUntouched) {
  auto src = numbered(320, 240);
  auto dst = filled(2000, 1000, 9);
  src->zoom_window(dst.get(), 50, 40, 10, 10, 0.5f);
  src->zoom_window(dst.get(), 50, 40, 0, 10, 0.5f);
  EXPECT_EQ(dst->pixels[0], 9u);
  EXPECT_EQ(dst->pixels[1999999], 9u);
}

TEST_F(Zoom, TileFullAndHalfSize) {
  auto src = numbered(320, 240);
  auto dst = filled(320, 240, 0);
  src->tile(dst.get(), 1.0f, 1.0f);  // one copy
  EXPECT_EQ(ctx->bigA->width, 320);
  EXPECT_EQ(ctx->bigA->height, 240);
  for (int i = 0; i < 320 * 240; ++i) ASSERT_EQ(dst->pixels[i], src->pixels[i]) << i;
  src->tile(dst.get(), 0.5f, 1.5f);  // 160 x 120 tiles, 3 x 3 of them, the middle one centred
  EXPECT_EQ(ctx->bigA->width, 480);
  EXPECT_EQ(ctx->bigA->height, 360);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x)
      ASSERT_EQ(at(*dst, x, y), at(*src, 2 * ((x + 80) % 160), 2 * ((y + 60) % 120))) << x << "," << y;
}

TEST_F(Zoom, TileCountsAreOddAndCover) {
  auto src = numbered(100, 100);
  auto dst = filled(320, 240, 0);
  src->tile(dst.get(), 3.0f, 1.0f);  // 320 / 100 = 3, odd, but 300 < 320: 5; 240 / 100 = 2 -> 3
  EXPECT_EQ(ctx->bigA->width, 500);
  EXPECT_EQ(ctx->bigA->height, 300);
  EXPECT_EQ(at(*dst, 0, 0), at(*src, 90, 30));
}

TEST_F(Zoom, TileBelowOnePercentReusesThePreviousPiece) {
  auto src = numbered(100, 100);
  auto dst = filled(320, 240, 0);
  src->tile(dst.get(), 0.5f, 0.5f);
  ASSERT_EQ(ctx->bigB->width, 50);
  auto other = filled(100, 100, 0xFFFFFF);
  other->tile(dst.get(), 2.0f, -0.5f);  // u = 0, v = -0.5: nothing resampled
  EXPECT_EQ(ctx->bigB->width, 50);
  EXPECT_EQ(at(*dst, 0, 0), at(*src, 2 * 15, 2 * 5));  // 7 x 5 tiles of 50: 350 x 250, centred
}

TEST_F(Zoom, TileLeavesDestinationTooBigForScratchUntouched) {
  auto src = numbered(100, 100);
  auto dst = filled(4000, 3000, 3);  // 41 x 31 tiles of 100 would not fit in bigA
  src->tile(dst.get(), 1.0f, 1.0f);
  EXPECT_EQ(dst->pixels[0], 3u);
  EXPECT_EQ(dst->pixels[2000 * 4000 + 1500], 3u);
}
