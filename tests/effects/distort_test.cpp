// Distortions: the mirrored wave offsets, the squeeze's source rows, identities of rotate and
// swirl, the sliding rows of horizlinescroll, and inputs that would leave a table or picture.
#include <cmath>

#include "effect_fixture.h"

using Wave = EffectTest;
using Turn = EffectTest;
using LineScroll = EffectTest;

namespace {
// Source coordinates (or none for black) laid out as the destination.
using Expect = std::vector<std::vector<std::pair<int, int>>>;
constexpr std::pair<int, int> kBlack{-1, -1};

void expectSamples(const Bitmap& dst, const Bitmap& src, const Expect& rows) {
  for (int y = 0; y < (int)rows.size(); ++y)
    for (int x = 0; x < (int)rows[y].size(); ++x) {
      auto [sx, sy] = rows[y][x];
      EXPECT_EQ(at(dst, x, y), sx < 0 ? 0u : at(src, sx, sy)) << "at " << x << "," << y;
    }
}

void expectSame(const Bitmap& a, const Bitmap& b) {
  ASSERT_EQ((int64_t)a.width * a.height, (int64_t)b.width * b.height);
  for (int64_t i = 0; i < (int64_t)a.width * a.height; ++i) ASSERT_EQ(a.pixels[i], b.pixels[i]) << i;
}
} // namespace

TEST_F(Wave, HorizontalWithoutAmplitudeCopiesRows) {
  auto src = numbered(32, 20);
  auto dst = filled(32, 20, 0);
  src->wave_horizontal(dst.get(), 1.0f, 0.0f, 37.0f);
  expectSame(*dst, *src);
}

TEST_F(Wave, HorizontalMirrorsOnceAtEitherEdge) {
  // Phase 270 (or -90) with amp 1/32 shifts every row of a 320-wide source by -10; phase 90 by +10.
  auto src = numbered(320, 2);
  for (float phase : {270.0f, -90.0f}) {
    auto dst = filled(320, 2, 0);
    src->wave_horizontal(dst.get(), 0.0f, 0.03125f, phase);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(at(*dst, x, 1), at(*src, 10 - x, 1)) << x;
    EXPECT_EQ(at(*dst, 10, 1), at(*src, 0, 1));
    EXPECT_EQ(at(*dst, 319, 1), at(*src, 309, 1));
  }
  auto dst = filled(320, 2, 0);
  src->wave_horizontal(dst.get(), 0.0f, 0.03125f, 90.0f);
  EXPECT_EQ(at(*dst, 0, 0), at(*src, 10, 0));
  EXPECT_EQ(at(*dst, 309, 0), at(*src, 319, 0));
  EXPECT_EQ(at(*dst, 310, 0), at(*src, 319, 0));
  EXPECT_EQ(at(*dst, 311, 0), at(*src, 318, 0));
}

TEST_F(Wave, HorizontalOffsetFollowsRowAngle) {
  // Height 4: k = 90, so rows read sin 0, 90, 180, 270: offsets 0, +2, 0, -2 at amp 1/4 of 8.
  auto src = numbered(8, 4);
  auto dst = filled(8, 4, 0);
  src->wave_horizontal(dst.get(), 1.0f, 0.25f, 0.0f);
  expectSamples(*dst, *src,
                {{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}},
                 {{2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}, {7, 1}, {6, 1}},
                 {{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {6, 2}, {7, 2}},
                 {{2, 3}, {1, 3}, {0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3}}});
}

TEST_F(Wave, HorizontalKeepsWhatHasNoSource) {
  // Wider and taller than the source: past one mirror step, and below the last source row,
  // destination pixels keep their value; an absurd amplitude moves everything out.
  auto src = numbered(4, 3);
  auto dst = filled(10, 1200, 7);
  src->wave_horizontal(dst.get(), 1.0f, 0.0f, 0.0f);
  const int cols[] = {0, 1, 2, 3, 3, 2, 1, 0};
  for (int x = 0; x < 8; ++x) EXPECT_EQ(at(*dst, x, 2), at(*src, cols[x], 2)) << x;
  EXPECT_EQ(at(*dst, 8, 2), 7u);
  EXPECT_EQ(at(*dst, 9, 2), 7u);
  EXPECT_EQ(at(*dst, 0, 3), 7u);
  EXPECT_EQ(at(*dst, 0, 1199), 7u);
  auto far = filled(4, 3, 7);
  src->wave_horizontal(far.get(), 1.0f, 1e30f, 90.0f);
  src->wave_horizontal(far.get(), 1e30f, NAN, -1e30f);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(far->pixels[i], 7u) << i;
}

TEST_F(Wave, VerticalWithoutAmplitudeMovesUpOneRow) {
  auto pic = numbered(5, 6);
  auto src = numbered(5, 6);
  pic->wave_vertical(3.0f, 0.0f, 0.0f);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(at(*pic, x, y), at(*src, x, y + 1)) << x << "," << y;
  for (int x = 0; x < 5; ++x) EXPECT_EQ(at(*pic, x, 5), 0u) << x;
  EXPECT_EQ(ctx->bigA->width, 5);
  EXPECT_EQ(ctx->bigA->height, 6);
}

TEST_F(Wave, VerticalStepsByCosineOfRunningPhase) {
  // Height 8, freq 0.5: the phase runs 0, 22.5, 45, ... and is truncated for each lookup.
  auto src = numbered(3, 8);
  auto pic = numbered(3, 8);
  pic->wave_vertical(0.5f, 2.0f, 0.0f);
  const float* cosTable = ctx->cosTable;
  double s = 0.0, p = 0.0;
  for (int y = 0; y < 8; ++y, p += 22.5) {
    s += ((double)cosTable[(int)p] + 1.0) * 0.5 * 2.0 + 1.0;
    EXPECT_EQ(at(*pic, 0, y), s > 7 ? 0u : at(*src, 0, (int)s)) << y;
  }
  // Phase 180 (or -180): cos -1, d = 0, the same as no amplitude; phase 90: d = 1 (cos 90 is
  // 6e-17, lost when 1 is added), so rows 2, then 4 (past the end: black).
  for (float phase : {180.0f, -180.0f}) {
    auto q = numbered(2, 4);
    q->wave_vertical(0.0f, 2.0f, phase);
    EXPECT_EQ(at(*q, 0, 0), at(*src, 0, 1)) << phase;
  }
  auto q = numbered(2, 4);
  q->wave_vertical(0.0f, 2.0f, 90.0f);
  EXPECT_EQ(at(*q, 0, 0), at(*src, 0, 2));
  EXPECT_EQ(at(*q, 0, 1), 0u);
}

TEST_F(Wave, VerticalGuardsSizeAndNegativeAmounts) {
  auto big = filled(2000, 1000, 5);
  big->wave_vertical(1.0f, 1.0f, 0.0f);
  EXPECT_EQ(big->pixels[0], 5u);
  auto pic = numbered(3, 4);
  pic->wave_vertical(1.0f, -10.0f, 0.0f);  // s runs upward past row 0: black, not a read above it
  for (int i = 0; i < 12; ++i) EXPECT_EQ(pic->pixels[i], 0u) << i;
}

TEST_F(Turn, RotateZeroAndFullTurnsAreIdentity) {
  for (auto [w, h] : {std::pair{8, 6}, std::pair{7, 5}}) {
    auto src = numbered(w, h);
    for (int angle : {0, 360, -360, 720}) {
      auto dst = filled(w, h, 1);
      src->rotate(dst.get(), angle);
      expectSame(*dst, *src);
    }
  }
}

TEST_F(Turn, RotateNinetyOnFourByFour) {
  // cos 90 is 6.1e-17, not 0: evaluated in double, x c - y s lands just inside an integer.
  auto src = numbered(4, 4);
  auto dst = filled(4, 4, 1);
  src->rotate(dst.get(), 90);
  expectSamples(*dst, *src,
                {{{3, 0}, kBlack, kBlack, kBlack},
                 {{2, 0}, {2, 1}, {3, 2}, {3, 2}},
                 {{2, 0}, {2, 1}, {2, 2}, {2, 3}},
                 {{1, 0}, {1, 2}, {1, 2}, {2, 3}}});
  auto again = filled(4, 4, 1);
  src->rotate(again.get(), -270);
  expectSame(*again, *dst);
}

TEST_F(Turn, RotateNeedsTwoColumnsAndTwoRows) {
  auto thin = numbered(1, 6);
  auto dst = filled(1, 6, 9);
  thin->rotate(dst.get(), 45);
  thin->swirl(dst.get(), 45);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(dst->pixels[i], 9u);
}

TEST_F(Turn, SwirlZeroOrFullTurnIsIdentity) {
  for (auto [w, h] : {std::pair{8, 6}, std::pair{7, 5}}) {
    auto src = numbered(w, h);
    for (int amount : {0, 360, -720}) {
      auto dst = filled(w, h, 1);
      src->swirl(dst.get(), amount);
      expectSame(*dst, *src);
    }
  }
}

TEST_F(Turn, SwirlNinetyTurnsOuterPixelsMore) {
  // k = 2 pi 90 / sqrt(52) = 78.41889; the centre stays, the corners turn by up to 282 degrees.
  auto src = numbered(6, 4);
  auto dst = filled(6, 4, 1);
  src->swirl(dst.get(), 90);
  expectSamples(*dst, *src,
                {{kBlack, kBlack, {4, 3}, {3, 3}, kBlack, {1, 2}},
                 {kBlack, {5, 2}, {4, 2}, {3, 2}, {3, 3}, {2, 3}},
                 {kBlack, {4, 2}, {3, 2}, {3, 2}, {3, 2}, {2, 2}},
                 {kBlack, {4, 1}, {3, 1}, {3, 2}, {2, 2}, {1, 2}}});
}

TEST_F(Turn, SmallerDestinationGetsOnlyWhatFits) {
  auto src = numbered(8, 6);
  auto full = filled(8, 6, 0);
  src->rotate(full.get(), 30);
  auto shorter = filled(8, 3, 0);
  auto narrower = filled(5, 5, 0);
  src->rotate(shorter.get(), 30);
  src->rotate(narrower.get(), 30);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(shorter->pixels[i], full->pixels[i]) << i;
  for (int i = 0; i < 25; ++i) EXPECT_EQ(narrower->pixels[i], full->pixels[i]) << i;
  src->swirl(full.get(), 200);
  src->swirl(shorter.get(), 200);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(shorter->pixels[i], full->pixels[i]) << i;
}

TEST_F(LineScroll, FirstCallDrawsNothingAndDrawsOffsets) {
  auto src = numbered(320, 4);
  auto dst = filled(320, 4, 3);
  src->horizlinescroll(dst.get(), 1.0f);
  ASSERT_NE(src->rowOffsets, nullptr);
  // The generator's first values 41, 18467, 6334, 26500, modulo 320.
  EXPECT_EQ(src->rowOffsets[0], 41);
  EXPECT_EQ(src->rowOffsets[1], 227);
  EXPECT_EQ(src->rowOffsets[2], 254);
  EXPECT_EQ(src->rowOffsets[3], 260);
  for (int i = 0; i < 1280; ++i) ASSERT_EQ(dst->pixels[i], 3u);
}

TEST_F(LineScroll, RestPositionCopiesAndZeroLeavesAlone) {
  auto src = numbered(320, 4);
  auto dst = filled(320, 4, 3);
  src->horizlinescroll(dst.get(), 0.3f);
  src->horizlinescroll(dst.get(), 0.0f);
  for (int i = 0; i < 1280; ++i) ASSERT_EQ(dst->pixels[i], 3u);
  src->horizlinescroll(dst.get(), 1.0f);
  expectSame(*dst, *src);
}

TEST_F(LineScroll, RowsSlideInByTheirOwnDistance) {
  // Row 0: d = 41 - 640 = -599, t = 0.5: start trunc(-299.5) = -299, so source columns 299..319
  // land in columns 0..20. Row 3: d = -380, start -190: columns 0..129 from 190..319.
  auto src = numbered(320, 4);
  auto dst = filled(320, 4, 3);
  src->horizlinescroll(dst.get(), 0.5f);
  src->horizlinescroll(dst.get(), 0.5f);
  for (int x = 0; x <= 20; ++x) EXPECT_EQ(at(*dst, x, 0), at(*src, x + 299, 0)) << x;
  EXPECT_EQ(at(*dst, 21, 0), 3u);
  EXPECT_EQ(at(*dst, 129, 3), at(*src, 319, 3));
  EXPECT_EQ(at(*dst, 130, 3), 3u);
  src->horizlinescroll(dst.get(), 1.25f);  // row 0 starts at 149: columns 149..319 from 0..170
  EXPECT_EQ(at(*dst, 149, 0), at(*src, 0, 0));
  EXPECT_EQ(at(*dst, 319, 0), at(*src, 170, 0));
}

TEST_F(LineScroll, NarrowDestinationAndOddInputsStayInBounds) {
  auto src = numbered(320, 4);
  auto dst = filled(100, 2, 3);  // 200 pixels, addressed with the source width
  src->horizlinescroll(dst.get(), 1.0f);
  src->horizlinescroll(dst.get(), 1.0f);
  for (int i = 0; i < 200; ++i) ASSERT_EQ(dst->pixels[i], src->pixels[i]) << i;
  src->horizlinescroll(dst.get(), 1e30f);
  src->horizlinescroll(dst.get(), -1e30f);
  src->horizlinescroll(dst.get(), NAN);
  for (int i = 0; i < 200; ++i) ASSERT_EQ(dst->pixels[i], src->pixels[i]) << i;
  auto empty = filled(0, 4, 0);
  empty->horizlinescroll(dst.get(), 1.0f);
  EXPECT_EQ(empty->rowOffsets, nullptr);
  EXPECT_EQ(zub::demoRand(), 19169);  // the fifth value: only src's four draws came before
}
