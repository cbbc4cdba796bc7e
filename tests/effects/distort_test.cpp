// Distortions: the mirrored wave offsets, the squeeze's source rows, identities of rotate and
// swirl, the sliding rows of horizlinescroll, and inputs that would leave a table or picture.
#include <cmath>

#include "effect_fixture.h"

using Wave = EffectTest;
using Turn = EffectTest;
using LineScroll = EffectTest;

TEST_F(Wave, HorizontalWithoutAmplitudeCopiesRows) {
  auto src = numbered(32, 20);
  auto dst = filled(32, 20, 0);
  src->wave_horizontal(dst.get(), 1.0f, 0.0f, 37.0f);
  expectEach(*dst, [&](int x, int y) { return at(*src, x, y); });
}

TEST_F(Wave, HorizontalMirrorsOnceAtEitherEdge) {
  // amp 1/32 of 320 at phase 270 (or -90) shifts every row by -10, at phase 90 by +10.
  auto src = numbered(320, 2);
  auto dst = filled(320, 2, 0);
  for (float phase : {270.0f, -90.0f}) {
    src->wave_horizontal(dst.get(), 0.0f, 0.03125f, phase);
    expectEach(*dst, [&](int x, int y) { return at(*src, x < 10 ? 10 - x : x - 10, y); });
  }
  src->wave_horizontal(dst.get(), 0.0f, 0.03125f, 90.0f);
  expectEach(*dst, [&](int x, int y) { return at(*src, x < 310 ? x + 10 : 629 - x, y); });
}

TEST_F(Wave, HorizontalOffsetFollowsRowAngle) {
  // Height 4: k = 90, rows read sin 0, 90, 180, 270: offsets 0, +2, 0, -2 at amp 1/4 of 8.
  auto src = numbered(8, 4);
  auto dst = filled(8, 4, 0);
  src->wave_horizontal(dst.get(), 1.0f, 0.25f, 0.0f);
  const int off[] = {0, 2, 0, -2}, mirror[] = {7, 6};
  expectEach(*dst, [&](int x, int y) {
    int sx = x + off[y];
    return at(*src, sx < 0 ? -sx : sx > 7 ? mirror[sx - 8] : sx, y);
  });
}

TEST_F(Wave, HorizontalKeepsWhatHasNoSource) {
  // Past one mirror step, below the last source row, or moved far out: the old value stays.
  auto src = numbered(4, 3);
  auto dst = filled(10, 1200, 7);
  src->wave_horizontal(dst.get(), 1.0f, 0.0f, 0.0f);
  const int cols[] = {0, 1, 2, 3, 3, 2, 1, 0};
  expectEach(*dst, [&](int x, int y) { return y < 3 && x < 8 ? at(*src, cols[x], y) : 7; });
  auto far = filled(4, 3, 7);
  src->wave_horizontal(far.get(), 1.0f, 1e30f, 90.0f);
  src->wave_horizontal(far.get(), 1e30f, NAN, -1e30f);
  expectEach(*far, [](int, int) { return 7; });
}

TEST_F(Wave, VerticalWithoutAmplitudeMovesUpOneRow) {
  auto pic = numbered(5, 6), src = numbered(5, 6);
  pic->wave_vertical(3.0f, 0.0f, 0.0f, big);
  expectEach(*pic, [&](int x, int y) { return y < 5 ? at(*src, x, y + 1) : 0; });
}

TEST_F(Wave, VerticalStepsByCosineOfThePhase) {
  // freq 0 keeps the phase. 180 (or -180): cos -1, no squeeze. 0: d = 2, rows 3, then black.
  // 90: cos is 6e-17, lost when 1 is added: d = 1, rows 2, then 4 (past the end: black).
  auto src = numbered(2, 4);
  const std::pair<float, std::vector<int>> cases[] = {
      {180.0f, {1, 2, 3, -1}}, {-180.0f, {1, 2, 3, -1}}, {0.0f, {3, -1, -1, -1}}, {90.0f, {2, -1, -1, -1}}};
  for (auto& [phase, rows] : cases) {
    auto pic = numbered(2, 4);
    pic->wave_vertical(0.0f, 2.0f, phase, big);
    expectEach(*pic, [&](int x, int y) { return rows[y] < 0 ? 0 : at(*src, x, rows[y]); });
  }
  // Height 4, freq 1: step 90, so the phases 0, 90, 180 give d = 0.5, 0.25, 0: s = 1.5, 2.75, 3.75.
  auto pic = numbered(2, 4);
  pic->wave_vertical(1.0f, 0.5f, 0.0f, big);
  expectEach(*pic, [&](int x, int y) { return y < 2 ? at(*src, x, y + 1) : 0; });
}

TEST_F(Wave, VerticalGuardsSizeAndNegativeAmounts) {
  auto huge = filled(2000, 1000, 5);
  huge->wave_vertical(1.0f, 1.0f, 0.0f, big);
  expectEach(*huge, [](int, int) { return 5; });
  auto pic = numbered(3, 4);
  pic->wave_vertical(1.0f, -10.0f, 0.0f, big);  // s runs up past row 0: black, not a read above it
  expectEach(*pic, [](int, int) { return 0; });
}

TEST_F(Turn, ZeroAndFullTurnsAreIdentity) {
  for (auto [w, h] : {std::pair{8, 6}, std::pair{7, 5}}) {
    auto src = numbered(w, h);
    for (int angle : {0, 360, -360, 720}) {
      auto rotated = filled(w, h, 1), swirled = filled(w, h, 1);
      src->rotate(rotated.get(), angle);
      src->swirl(swirled.get(), angle);
      expectEach(*rotated, [&](int x, int y) { return at(*src, x, y); });
      expectEach(*swirled, [&](int x, int y) { return at(*src, x, y); });
    }
  }
}

TEST_F(Turn, RotateNinetyOnFourByFour) {
  // cos 90 is 6.1e-17, not 0; evaluated in double, x c - y s can land just inside an integer.
  const int sx[4][4] = {{3, -1, -1, -1}, {2, 2, 3, 3}, {2, 2, 2, 2}, {1, 1, 1, 2}};
  const int sy[4][4] = {{0, -1, -1, -1}, {0, 1, 2, 2}, {0, 1, 2, 3}, {0, 2, 2, 3}};
  auto src = numbered(4, 4);
  for (int angle : {90, -270}) {
    auto dst = filled(4, 4, 1);
    src->rotate(dst.get(), angle);
    expectEach(*dst, [&](int x, int y) { return sx[y][x] < 0 ? 0 : at(*src, sx[y][x], sy[y][x]); });
  }
}

TEST_F(Turn, SwirlTurnsOuterPixelsMore) {
  // k = 2 pi 90 / sqrt(52) = 78.41889: the centre stays, the corners turn by up to 282 degrees.
  const int sx[4][6] = {{-1, -1, 4, 3, -1, 1}, {-1, 5, 4, 3, 3, 2}, {-1, 4, 3, 3, 3, 2}, {-1, 4, 3, 3, 2, 1}};
  const int sy[4][6] = {{-1, -1, 3, 3, -1, 2}, {-1, 2, 2, 2, 3, 3}, {-1, 2, 2, 2, 2, 2}, {-1, 1, 1, 2, 2, 2}};
  auto src = numbered(6, 4);
  auto dst = filled(6, 4, 1);
  src->swirl(dst.get(), 90);
  expectEach(*dst, [&](int x, int y) { return sx[y][x] < 0 ? 0 : at(*src, sx[y][x], sy[y][x]); });
}

TEST_F(Turn, NeedTwoByTwoAndWriteOnlyWhatFits) {
  auto thin = numbered(1, 6);
  auto untouched = filled(1, 6, 9);
  thin->rotate(untouched.get(), 45);
  thin->swirl(untouched.get(), 45);
  expectEach(*untouched, [](int, int) { return 9; });
  // Sequential writes with the source's width, cut off at the end of a smaller destination.
  auto src = numbered(8, 6);
  auto full = filled(8, 6, 0), shorter = filled(8, 3, 0), narrower = filled(5, 5, 0);
  src->rotate(full.get(), 30);
  src->rotate(shorter.get(), 30);
  src->rotate(narrower.get(), 30);
  expectEach(*shorter, [&](int x, int y) { return full->pixels[y * 8 + x]; });
  expectEach(*narrower, [&](int x, int y) { return full->pixels[y * 5 + x]; });
  src->swirl(full.get(), 200);
  src->swirl(shorter.get(), 200);
  expectEach(*shorter, [&](int x, int y) { return full->pixels[y * 8 + x]; });
}

TEST_F(LineScroll, FirstCallOnlyDrawsOffsets) {
  auto src = numbered(320, 4);
  auto dst = filled(320, 4, 3);
  src->horizlinescroll(dst.get(), 1.0f);
  ASSERT_NE(src->rowOffsets, nullptr);
  // The generator's first values 41, 18467, 6334, 26500, modulo 320.
  EXPECT_EQ(std::vector<int>(src->rowOffsets.get(), src->rowOffsets.get() + 4), (std::vector<int>{41, 227, 254, 260}));
  expectEach(*dst, [](int, int) { return 3; });
  src->horizlinescroll(dst.get(), 0.0f);  // every row entirely left of the picture
  expectEach(*dst, [](int, int) { return 3; });
  src->horizlinescroll(dst.get(), 1.0f);  // rest position
  expectEach(*dst, [&](int x, int y) { return at(*src, x, y); });
}

// A table reserved at load time draws nothing; the first call fills it at its place in the random
// sequence, for the height the picture has then.
TEST_F(LineScroll, AReservedTableIsFilledByTheFirstCall) {
  Bitmap* src = bigB.get();
  src->width = 320;
  src->height = 2;
  ASSERT_FALSE(src->reserveLineScroll());
  src->height = 4;
  auto dst = filled(320, 4, 3);
  ASSERT_FALSE(src->horizlinescroll(dst.get(), 1.0f));
  EXPECT_EQ(src->rowOffsetCount, 4);
  EXPECT_EQ(std::vector<int>(src->rowOffsets.get(), src->rowOffsets.get() + 4), (std::vector<int>{41, 227, 254, 260}));
  expectEach(*dst, [](int, int) { return 3; });
}

TEST_F(LineScroll, RowsSlideInByTheirOwnDistance) {
  // t = 0.5, row 0: d = 41 - 640, start trunc(-299.5) = -299: columns 0..20 from 299..319.
  // Row 3: d = -380, start -190. At t = 1.25 row 0 starts at trunc(149.75) = 149.
  auto src = numbered(320, 4);
  auto dst = filled(320, 4, 3);
  src->horizlinescroll(dst.get(), 0.5f);
  src->horizlinescroll(dst.get(), 0.5f);
  EXPECT_EQ(at(*dst, 0, 0), at(*src, 299, 0));
  EXPECT_EQ(at(*dst, 20, 0), at(*src, 319, 0));
  EXPECT_EQ(at(*dst, 21, 0), 3u);
  EXPECT_EQ(at(*dst, 129, 3), at(*src, 319, 3));
  EXPECT_EQ(at(*dst, 130, 3), 3u);
  src->horizlinescroll(dst.get(), 1.25f);
  EXPECT_EQ(at(*dst, 149, 0), at(*src, 0, 0));
  EXPECT_EQ(at(*dst, 319, 0), at(*src, 170, 0));
}

TEST_F(LineScroll, NarrowDestinationAndOddInputsStayInBounds) {
  auto src = numbered(320, 4);
  auto dst = filled(100, 2, 3);  // 200 pixels, rows addressed with the source width
  src->horizlinescroll(dst.get(), 1.0f);
  for (float t : {1.0f, 1e30f, -1e30f, NAN}) src->horizlinescroll(dst.get(), t);
  expectEach(*dst, [&](int x, int y) { return src->pixels[y * 100 + x]; });
  auto empty = filled(0, 4, 0);
  empty->horizlinescroll(dst.get(), 1.0f);
  EXPECT_EQ(empty->rowOffsets, nullptr);
  EXPECT_EQ(zub::demoRand(), 19169);  // the fifth value: only src's four draws came before
}

// The row offsets are made for the height at the first call; a picture that has grown taller
// since (a scratch image resized by another effect) scrolls only the rows that have an offset.
TEST_F(LineScroll, RowsAddedAfterTheFirstCallAreLeftAlone) {
  Bitmap* src = bigB.get();
  src->width = 10;
  src->height = 2;
  src->horizlinescroll(renderScratch.get(), 1.0f);
  ASSERT_NE(src->rowOffsets, nullptr);
  src->height = 5;
  numbered(10, 5)->blit(src, 0, 0);
  auto dst = filled(10, 5, 3);
  src->horizlinescroll(dst.get(), 1.0f);
  expectEach(*dst, [&](int x, int y) { return y < 2 ? at(*src, x, y) : 3u; });
}
