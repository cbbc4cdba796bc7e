// The AVX2 inverse DCT: the portable passes in eight lanes of 32 bits, whose multiplications are
// cheap here (pairing the inputs for pmaddwd, as the SSE2 kernel does, measured slower). This file
// alone is built with AVX2 enabled; mpeg_kernels.cpp calls it only when the processor reports AVX2.
#if !defined(ZUB_PORTABLE) && defined(__x86_64__)
#include "video/mpeg_kernels_simd.h"

namespace {

struct Avx2Lanes {
  using V = __m256i;
  static V add(V a, V b) { return _mm256_add_epi32(a, b); }
  static V sub(V a, V b) { return _mm256_sub_epi32(a, b); }
  static V set(int c) { return _mm256_set1_epi32(c); }
  static V sra(V a, int n) { return _mm256_srai_epi32(a, n); }
  static V sll(V a, int n) { return _mm256_slli_epi32(a, n); }
  static V andv(V a, V b) { return _mm256_and_si256(a, b); }
  static V mul(V a, int c) { return _mm256_mullo_epi32(a, _mm256_set1_epi32(c)); }
};

inline void transpose8x32(const __m256i* p, __m256i* out) {
  __m256i s0 = _mm256_unpacklo_epi32(p[0], p[1]), s1 = _mm256_unpackhi_epi32(p[0], p[1]);
  __m256i s2 = _mm256_unpacklo_epi32(p[2], p[3]), s3 = _mm256_unpackhi_epi32(p[2], p[3]);
  __m256i s4 = _mm256_unpacklo_epi32(p[4], p[5]), s5 = _mm256_unpackhi_epi32(p[4], p[5]);
  __m256i s6 = _mm256_unpacklo_epi32(p[6], p[7]), s7 = _mm256_unpackhi_epi32(p[6], p[7]);
  __m256i u0 = _mm256_unpacklo_epi64(s0, s2), u1 = _mm256_unpackhi_epi64(s0, s2);
  __m256i u2 = _mm256_unpacklo_epi64(s1, s3), u3 = _mm256_unpackhi_epi64(s1, s3);
  __m256i u4 = _mm256_unpacklo_epi64(s4, s6), u5 = _mm256_unpackhi_epi64(s4, s6);
  __m256i u6 = _mm256_unpacklo_epi64(s5, s7), u7 = _mm256_unpackhi_epi64(s5, s7);
  out[0] = _mm256_permute2x128_si256(u0, u4, 0x20);
  out[1] = _mm256_permute2x128_si256(u1, u5, 0x20);
  out[2] = _mm256_permute2x128_si256(u2, u6, 0x20);
  out[3] = _mm256_permute2x128_si256(u3, u7, 0x20);
  out[4] = _mm256_permute2x128_si256(u0, u4, 0x31);
  out[5] = _mm256_permute2x128_si256(u1, u5, 0x31);
  out[6] = _mm256_permute2x128_si256(u2, u6, 0x31);
  out[7] = _mm256_permute2x128_si256(u3, u7, 0x31);
}

// The rows of the block's inverse DCT; the block itself is left as it was.
void idctRowsAvx2(const int16_t* block, __m128i* out) {
  __m128i rows[8], cols[8];
  if (loadRowsOrDc(block, rows, cols, out)) return;
  __m256i pass[8], v[8];
  for (int k = 0; k < 8; ++k) pass[k] = _mm256_cvtepi16_epi32(cols[k]);
  if (onlyLowFour(rows)) {
    // Coefficients only in the top-left 4 x 4: the row pass leaves rows 4 to 7 zero as well.
    idctPass<Avx2Lanes, false, true>(pass);
    transpose8x32(pass, v);
    idctPass<Avx2Lanes, true, true>(v);
  } else {
    idctPass<Avx2Lanes, false>(pass);
    transpose8x32(pass, v);
    idctPass<Avx2Lanes, true>(v);
  }
  __m256i low = _mm256_set1_epi16(-256), high = _mm256_set1_epi16(255);
  for (int j = 0; j < 8; j += 2) {
    __m256i two = _mm256_permute4x64_epi64(_mm256_packs_epi32(v[j], v[j + 1]), _MM_SHUFFLE(3, 1, 2, 0));
    two = _mm256_min_epi16(_mm256_max_epi16(two, low), high);
    out[j] = _mm256_castsi256_si128(two);
    out[j + 1] = _mm256_extracti128_si256(two, 1);
  }
}

}  // namespace

void inverseDctAvx2(int16_t* block) { idctInPlace<idctRowsAvx2>(block); }
void idctPutAvx2(int16_t* block, uint8_t* dst, int stride) { idctOntoPicture<idctRowsAvx2, true>(block, dst, stride); }
void idctAddAvx2(int16_t* block, uint8_t* dst, int stride) { idctOntoPicture<idctRowsAvx2, false>(block, dst, stride); }

#endif
