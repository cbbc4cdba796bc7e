// The colour conversion's loops compiled for AVX2: this file alone is built with AVX2 enabled,
// and colour_convert.cpp hands its set out only on processors that report AVX2. The compiler
// vectorises the vertical filters and the matrix by itself; the horizontal filter writes its two
// outputs interleaved, which it does not, so that one is written out here.
#if !defined(ZUB_PORTABLE) && defined(__x86_64__)
#include <immintrin.h>

#include "video/colour_filters.h"
#include "video/colour_kernels.h"

namespace {

// a[i] * ca + b[i] * cb for sixteen 16-bit samples, as 32-bit sums in the order unpacking leaves
// them: lo holds samples 0-3 and 8-11, hi 4-7 and 12-15.
struct Sums {
  __m256i lo, hi;
};
inline Sums dot(__m256i a, __m256i b, int16_t ca, int16_t cb) {
  const __m256i c = _mm256_set1_epi32((int32_t)((uint32_t)(uint16_t)cb << 16 | (uint16_t)ca));
  return {_mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), c), _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), c)};
}

// (x + y + z + 128) >> 8 per sample, back as sixteen 16-bit values in sample order.
inline __m256i rounded(Sums x, Sums y, Sums z) {
  const __m256i half = _mm256_set1_epi32(128);
  __m256i lo = _mm256_srai_epi32(_mm256_add_epi32(_mm256_add_epi32(x.lo, y.lo), _mm256_add_epi32(z.lo, half)), 8);
  __m256i hi = _mm256_srai_epi32(_mm256_add_epi32(_mm256_add_epi32(x.hi, y.hi), _mm256_add_epi32(z.hi, half)), 8);
  return _mm256_packs_epi32(lo, hi);
}

inline __m256i samples(const uint8_t* s) { return _mm256_cvtepu8_epi16(_mm_loadu_si128((const __m128i*)s)); }

// Output pairs j to j + 15 of one line; every tap lies inside it.
inline void sixteenPairs(const uint8_t* s, uint8_t* d, bool mpeg2) {
  __m256i m3 = samples(s - 3), m2 = samples(s - 2), m1 = samples(s - 1), c0 = samples(s);
  __m256i p1 = samples(s + 1), p2 = samples(s + 2), p3 = samples(s + 3);
  __m256i first, second;
  if (mpeg2) {
    first = c0;
    second = rounded(dot(m2, p3, 21, 21), dot(m1, p2, -52, -52), dot(c0, p1, 159, 159));
  } else {
    first = rounded(dot(m3, m2, 5, -21), dot(m1, c0, 70, 228), dot(p1, p2, -37, 11));
    second = rounded(dot(p3, p2, 5, -21), dot(p1, c0, 70, 228), dot(m1, m2, -37, 11));
  }
  // Interleaved as pairs and saturated to bytes, which is the clamp to 0..255.
  __m256i out = _mm256_packus_epi16(_mm256_unpacklo_epi16(first, second), _mm256_unpackhi_epi16(first, second));
  _mm256_storeu_si256((__m256i*)d, out);
}

void horizontalWide(const uint8_t* src, uint8_t* dst, int w, int h, bool mpeg2) {
  // The three pairs at either end have taps past the line; every other is made sixteen at a time
  // where sixteen fit, and the few left over one by one.
  const int lo = w < 3 ? w : 3, hi = w - 3 > lo ? w - 3 : lo;
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = src + (ptrdiff_t)y * w;
    uint8_t* d = dst + (ptrdiff_t)y * 2 * w;
    int j = 0;
    for (; j < lo; ++j) clampedPair(s, d, j, w, mpeg2);
    for (; j + 16 <= hi; j += 16) sixteenPairs(s + j, d + 2 * j, mpeg2);
    for (; j < w; ++j) clampedPair(s, d, j, w, mpeg2);
  }
}

} // namespace

extern const ColourKernels kColourAvx2;
const ColourKernels kColourAvx2{"avx2", verticalProgressive, verticalInterlaced, horizontalWide, matrixRows};
#endif
