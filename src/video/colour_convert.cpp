// Chroma up-sampling (4:2:0 to 4:2:2 vertically, 4:2:2 to 4:4:4 horizontally) and the YCbCr to
// RGB matrix, all integer with clipping through a lookup table.
#include "video/colour_convert.h"

#include <cstring>
#include <new>

#include "video/mpeg_tables.h"

namespace {

// Clamped index into a line of n samples.
inline int at(int i, int n) { return i < 0 ? 0 : (i >= n ? n - 1 : i); }

// Six taps over rows r[0..5] of one column (256ths, rounded).
inline int taps6(const int* t, int a, int b, int c, int d, int e, int f) {
  return (t[0] * a + t[1] * b + t[2] * c + t[3] * d + t[4] * e + t[5] * f + 128) >> 8;
}

void verticalProgressive(const uint8_t* src, uint8_t* dst, int w, int h, const uint8_t* clip) {
  static const int t[6] = {3, -16, 67, 227, -32, 7};
  for (int j = 0; j < h; ++j) {
    const uint8_t* r[7];
    for (int k = -3; k <= 3; ++k) r[k + 3] = src + (ptrdiff_t)at(j + k, h) * w;
    uint8_t* even = dst + (ptrdiff_t)(2 * j) * w;
    uint8_t* odd = even + w;
    for (int x = 0; x < w; ++x) {
      even[x] = clip[taps6(t, r[0][x], r[1][x], r[2][x], r[3][x], r[4][x], r[5][x])];
      odd[x] = clip[taps6(t, r[6][x], r[5][x], r[4][x], r[3][x], r[2][x], r[1][x])];
    }
  }
}

// Each field filtered on its own rows: the top field is the even rows, the bottom field the odd.
void verticalInterlaced(const uint8_t* src, uint8_t* dst, int w, int h, const uint8_t* clip) {
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
      row0[x] = clip[taps6(a, t[0][x], t[1][x], t[2][x], t[3][x], t[4][x], t[5][x])];
      row2[x] = clip[taps6(b, t[1][x], t[2][x], t[3][x], t[4][x], t[5][x], t[6][x])];
      row1[x] = clip[taps6(b, u[5][x], u[4][x], u[3][x], u[2][x], u[1][x], u[0][x])];
      row3[x] = clip[taps6(a, u[6][x], u[5][x], u[4][x], u[3][x], u[2][x], u[1][x])];
    }
  }
}

void horizontal(const uint8_t* src, uint8_t* dst, int w, int h, bool mpeg2, const uint8_t* clip) {
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = src + (ptrdiff_t)y * w;
    uint8_t* d = dst + (ptrdiff_t)y * 2 * w;
    for (int j = 0; j < w; ++j) {
      int m3 = s[at(j - 3, w)], m2 = s[at(j - 2, w)], m1 = s[at(j - 1, w)], c0 = s[j];
      int p1 = s[at(j + 1, w)], p2 = s[at(j + 2, w)], p3 = s[at(j + 3, w)];
      if (mpeg2) {
        d[2 * j] = (uint8_t)c0;
        d[2 * j + 1] = clip[(21 * (m2 + p3) - 52 * (m1 + p2) + 159 * (c0 + p1) + 128) >> 8];
      } else {
        d[2 * j] = clip[(5 * m3 - 21 * m2 + 70 * m1 + 228 * c0 - 37 * p1 + 11 * p2 + 128) >> 8];
        d[2 * j + 1] = clip[(5 * p3 - 21 * p2 + 70 * p1 + 228 * c0 - 37 * m1 + 11 * m2 + 128) >> 8];
      }
    }
  }
}

inline uint8_t clamp255(int v) { return (uint8_t)(v < 0 ? 0 : (v > 255 ? 255 : v)); }

}  // namespace

uint32_t convertPixel(int y, int cb, int cr, int matrixCoefficients) {
  const ColourMatrix& m = colourMatrixFor(matrixCoefficients);
  int luma = 76309 * (y - 16);
  int u = cb - 128, v = cr - 128;
  int r = clamp255((luma + m.crv * v + 32768) >> 16);
  int g = clamp255((luma - m.cgu * u - m.cgv * v + 32768) >> 16);
  int b = clamp255((luma + m.cbu * u + 32768) >> 16);
  return (uint32_t)(r << 16) | (uint32_t)(g << 8) | (uint32_t)b;
}

void ColourConverter::reserve(const MpegDecoder& d) {
  int64_t samples = (int64_t)d.codedWidth * d.codedHeight;
  if (samples > allocated) {
    // The old planes go first, so the peak is never both sizes at once.
    planes422.reset();
    planes444.reset();
    cb422 = cr422 = cb444 = cr444 = nullptr;
    allocated = 0;
    planes422.reset(new (std::nothrow) uint8_t[samples]);  // two planes of half width
    planes444.reset(new (std::nothrow) uint8_t[2 * samples]);
    if (!planes422 || !planes444) mpegFatal(false, "malloc failed");
    cb422 = planes422.get();
    cr422 = cb422 + samples / 2;
    cb444 = planes444.get();
    cr444 = cb444 + samples;
    allocated = samples;
  }
}

void ColourConverter::convert(const MpegDecoder& d, const ShownPicture& picture, uint32_t* out, int outStride) {
  if (!picture.frame) return;
  reserve(d);
  const uint8_t* clip = d.clip;
  const uint8_t* cb = picture.frame->plane[1];
  const uint8_t* cr = picture.frame->plane[2];
  bool progressive = d.progressiveSequence || picture.progressiveFrame;
  if (d.chromaFormat == kChroma420) {
    if (progressive) {
      verticalProgressive(cb, cb422, d.chromaWidth, d.chromaHeight, clip);
      verticalProgressive(cr, cr422, d.chromaWidth, d.chromaHeight, clip);
    } else {
      verticalInterlaced(cb, cb422, d.chromaWidth, d.chromaHeight, clip);
      verticalInterlaced(cr, cr422, d.chromaWidth, d.chromaHeight, clip);
    }
    cb = cb422;
    cr = cr422;
  }
  if (d.chromaFormat != kChroma444) {
    horizontal(cb, cb444, d.chromaWidth, d.codedHeight, d.mpeg2, clip);
    horizontal(cr, cr444, d.chromaWidth, d.codedHeight, d.mpeg2, clip);
    cb = cb444;
    cr = cr444;
  }

  const ColourMatrix& m = colourMatrixFor(d.mpeg2 ? d.matrixCoefficients : 5);
  const uint8_t* luma = picture.frame->plane[0];
  int width = d.horizontalSize < outStride ? d.horizontalSize : outStride;
  for (int i = 0; i < d.verticalSize; ++i) {
    const uint8_t* yr = luma + (ptrdiff_t)i * d.codedWidth;
    const uint8_t* ur = cb + (ptrdiff_t)i * d.codedWidth;
    const uint8_t* vr = cr + (ptrdiff_t)i * d.codedWidth;
    uint32_t* o = out + (ptrdiff_t)i * outStride;
    for (int j = 0; j < width; ++j) {
      int y = 76309 * (yr[j] - 16);
      int u = ur[j] - 128, v = vr[j] - 128;
      uint32_t r = clip[(y + m.crv * v + 32768) >> 16];
      uint32_t g = clip[(y - m.cgu * u - m.cgv * v + 32768) >> 16];
      uint32_t b = clip[(y + m.cbu * u + 32768) >> 16];
      o[j] = (r << 16) | (g << 8) | b;
    }
  }
}
