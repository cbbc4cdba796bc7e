// The chroma up-sampling filters and the colour matrix as plain loops, for colour_convert.cpp and
// colour_convert_avx2.cpp to compile each for its own processor. Internal linkage on purpose: each
// file must keep its own copy, never share one built for the other's instruction set.
#pragma once
#include <cstddef>
#include <cstdint>

#include "video/mpeg_tables.h"

namespace {

// The decoder's clip table is this clamp over every index the filters and the matrix below can
// reach (-384 to 639); as arithmetic instead of a lookup, the loops can be vectorised.
inline uint8_t clamp255(int v) { return (uint8_t)(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// Clamped index into a line of n samples.
inline int at(int i, int n) { return i < 0 ? 0 : (i >= n ? n - 1 : i); }

// Six taps over rows r[0..5] of one column (256ths, rounded).
inline int taps6(const int* t, int a, int b, int c, int d, int e, int f) {
  return (t[0] * a + t[1] * b + t[2] * c + t[3] * d + t[4] * e + t[5] * f + 128) >> 8;
}

// One output row pair from the seven source rows around it. The rows are distinct lines of
// distinct planes, and saying so lets the compiler work on many columns at once.
void verticalPair(const uint8_t* __restrict r0, const uint8_t* __restrict r1, const uint8_t* __restrict r2,
                  const uint8_t* __restrict r3, const uint8_t* __restrict r4, const uint8_t* __restrict r5,
                  const uint8_t* __restrict r6, uint8_t* __restrict even, uint8_t* __restrict odd, int w) {
  static const int t[6] = {3, -16, 67, 227, -32, 7};
  for (int x = 0; x < w; ++x) {
    even[x] = clamp255(taps6(t, r0[x], r1[x], r2[x], r3[x], r4[x], r5[x]));
    odd[x] = clamp255(taps6(t, r6[x], r5[x], r4[x], r3[x], r2[x], r1[x]));
  }
}

void verticalProgressive(const uint8_t* src, uint8_t* dst, int w, int h) {
  for (int j = 0; j < h; ++j) {
    const uint8_t* r[7];
    for (int k = -3; k <= 3; ++k) r[k + 3] = src + (ptrdiff_t)at(j + k, h) * w;
    uint8_t* even = dst + (ptrdiff_t)(2 * j) * w;
    uint8_t* odd = even + w;
    verticalPair(r[0], r[1], r[2], r[3], r[4], r[5], r[6], even, odd, w);
  }
}

// Each field filtered on its own rows: the top field is the even rows, the bottom field the odd.
void verticalInterlaced(const uint8_t* src, uint8_t* dst, int w, int h) {
  static const int a[6] = {1, -7, 30, 248, -21, 5};
  static const int b[6] = {7, -35, 194, 110, -24, 4};
  auto top = [&](int i) { return src + (ptrdiff_t)(i < 0 ? 0 : (i > h - 2 ? h - 2 : i)) * w; };
  auto bottom = [&](int i) { return src + (ptrdiff_t)(i < 1 ? 1 : (i > h - 1 ? h - 1 : i)) * w; };
  for (int i = 0; i + 1 < h; i += 2) {
    const uint8_t* t[7] = {top(i - 6), top(i - 4), top(i - 2), top(i), top(i + 2), top(i + 4), top(i + 6)};
    const uint8_t* u[7] = {bottom(i - 5), bottom(i - 3), bottom(i - 1), bottom(i + 1),
                           bottom(i + 3), bottom(i + 5), bottom(i + 7)};
    uint8_t* row0 = dst + (ptrdiff_t)(2 * i) * w;
    uint8_t* row1 = row0 + w;
    uint8_t* row2 = row1 + w;
    uint8_t* row3 = row2 + w;
    for (int x = 0; x < w; ++x) {
      row0[x] = clamp255(taps6(a, t[0][x], t[1][x], t[2][x], t[3][x], t[4][x], t[5][x]));
      row2[x] = clamp255(taps6(b, t[1][x], t[2][x], t[3][x], t[4][x], t[5][x], t[6][x]));
      row1[x] = clamp255(taps6(b, u[5][x], u[4][x], u[3][x], u[2][x], u[1][x], u[0][x]));
      row3[x] = clamp255(taps6(a, u[6][x], u[5][x], u[4][x], u[3][x], u[2][x], u[1][x]));
    }
  }
}

// One output pair; `m3`..`p3` are the samples three before to three after (clamped at the ends).
inline void horizontalPair(uint8_t* d, int m3, int m2, int m1, int c0, int p1, int p2, int p3, bool mpeg2) {
  if (mpeg2) {
    d[0] = (uint8_t)c0;
    d[1] = clamp255((21 * (m2 + p3) - 52 * (m1 + p2) + 159 * (c0 + p1) + 128) >> 8);
  } else {
    d[0] = clamp255((5 * m3 - 21 * m2 + 70 * m1 + 228 * c0 - 37 * p1 + 11 * p2 + 128) >> 8);
    d[1] = clamp255((5 * p3 - 21 * p2 + 70 * p1 + 228 * c0 - 37 * m1 + 11 * m2 + 128) >> 8);
  }
}

// Output pair j of line s (w samples) into d, its taps past the line's ends clamped to them.
inline void clampedPair(const uint8_t* s, uint8_t* d, int j, int w, bool mpeg2) {
  horizontalPair(d + 2 * j, s[at(j - 3, w)], s[at(j - 2, w)], s[at(j - 1, w)], s[j], s[at(j + 1, w)], s[at(j + 2, w)],
                 s[at(j + 3, w)], mpeg2);
}

[[maybe_unused]] void horizontal(const uint8_t* src, uint8_t* dst, int w, int h, bool mpeg2) {
  // Only the three samples at either end have taps past the line.
  const int lo = w < 3 ? w : 3, hi = w - 3 > lo ? w - 3 : lo;
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = src + (ptrdiff_t)y * w;
    uint8_t* d = dst + (ptrdiff_t)y * 2 * w;
    for (int j = 0; j < lo; ++j) clampedPair(s, d, j, w, mpeg2);
    if (mpeg2) {
      for (int j = lo; j < hi; ++j) horizontalPair(d + 2 * j, 0, s[j - 2], s[j - 1], s[j], s[j + 1], s[j + 2], s[j + 3], true);
    } else {
      for (int j = lo; j < hi; ++j)
        horizontalPair(d + 2 * j, s[j - 3], s[j - 2], s[j - 1], s[j], s[j + 1], s[j + 2], s[j + 3], false);
    }
    for (int j = hi; j < w; ++j) clampedPair(s, d, j, w, mpeg2);
  }
}


// Rows 0 .. rows - 1, columns 0 .. width - 1 of full-resolution planes (codedWidth samples per row)
// through the matrix into 0x00RRGGBB pixels.
void matrixRows(const uint8_t* luma, const uint8_t* cb, const uint8_t* cr, int codedWidth, int rows, int width,
                const ColourMatrix& m, uint32_t* out, int outStride) {
  for (int i = 0; i < rows; ++i) {
    const uint8_t* yr = luma + (ptrdiff_t)i * codedWidth;
    const uint8_t* ur = cb + (ptrdiff_t)i * codedWidth;
    const uint8_t* vr = cr + (ptrdiff_t)i * codedWidth;
    uint32_t* o = out + (ptrdiff_t)i * outStride;
    for (int j = 0; j < width; ++j) {
      int y = 76309 * (yr[j] - 16);
      int u = ur[j] - 128, v = vr[j] - 128;
      uint32_t r = clamp255((y + m.crv * v + 32768) >> 16);
      uint32_t g = clamp255((y - m.cgu * u - m.cgv * v + 32768) >> 16);
      uint32_t b = clamp255((y + m.cbu * u + 32768) >> 16);
      o[j] = (r << 16) | (g << 8) | b;
    }
  }
}

}  // namespace
