// Pieces of the SIMD inverse DCT shared by the SSE2 and the AVX2 kernels (x86-64 only). Everything
// here has internal linkage, so the AVX2 file's copies never stand in for the SSE2 file's.
#pragma once
#include <immintrin.h>

#include <cstdint>

#include "video/idct_weights.h"

namespace {

// ---- the inverse DCT over lanes of 32 bits, one pass written once for both widths ----

using idct::W1, idct::W2, idct::W3, idct::W5, idct::W6, idct::W7;

// Two 16-bit multipliers in one 32-bit lane, the first in the low half, as pmaddwd takes them.
constexpr int pairConstant(int low, int high) { return (int)(((uint32_t)(uint16_t)high << 16) | (uint16_t)low); }

struct Sse2Lanes {
  using V = __m128i;
  static V add(V a, V b) { return _mm_add_epi32(a, b); }
  static V sub(V a, V b) { return _mm_sub_epi32(a, b); }
  static V set(int c) { return _mm_set1_epi32(c); }
  static V sra(V a, int n) { return _mm_srai_epi32(a, n); }
  static V sll(V a, int n) { return _mm_slli_epi32(a, n); }
  static V andv(V a, V b) { return _mm_and_si128(a, b); }
  static V orv(V a, V b) { return _mm_or_si128(a, b); }
  // a.low16 * low + a.high16 * high in each lane, for lanes that hold two 16-bit values.
  static V madd(V a, int low, int high) { return _mm_madd_epi16(a, _mm_set1_epi32(pairConstant(low, high))); }
  // Lanes of two 16-bit halves from two vectors whose 32-bit values fit 16 bits.
  static V pair(V low, V high) { return _mm_or_si128(_mm_and_si128(low, _mm_set1_epi32(0xFFFF)), _mm_slli_epi32(high, 16)); }
  static bool allZero(V a) { return _mm_movemask_epi8(_mm_cmpeq_epi8(a, _mm_setzero_si128())) == 0xFFFF; }
  // Low 32 bits of the products; SSE2 multiplies only even lanes, so odd ones go through a shift.
  static V mul(V a, int c) {
    V b = _mm_set1_epi32(c);
    V even = _mm_mul_epu32(a, b);
    V odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), b);
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
  }
};

// (181 a + 128) >> 8 without leaving 32 bits.
template <class L>
inline typename L::V times181(typename L::V a) {
  typename L::V high = L::mul(L::sra(a, 8), 181);
  typename L::V low = L::sra(L::add(L::mul(L::andv(a, L::set(255)), 181), L::set(128)), 8);
  return L::add(high, low);
}

// The end both passes share: from the even part's sum and difference (x8, x0), its rotation (x2,
// x3) and the odd part's two rotations (x4, x5 and x6, x7) to the pass's eight results.
template <class L, bool COLUMN, class V = typename L::V>
inline void idctOutputs(V x0, V x2, V x3, V x4, V x5, V x6, V x7, V x8, V* v) {
  V x1 = L::add(x4, x6);
  x4 = L::sub(x4, x6);
  x6 = L::add(x5, x7);
  x5 = L::sub(x5, x7);
  x7 = L::add(x8, x3);
  x8 = L::sub(x8, x3);
  x3 = L::add(x0, x2);
  x0 = L::sub(x0, x2);
  x2 = times181<L>(L::add(x4, x5));
  x4 = times181<L>(L::sub(x4, x5));
  int out = COLUMN ? 14 : 8;
  v[0] = L::sra(L::add(x7, x1), out);
  v[1] = L::sra(L::add(x3, x2), out);
  v[2] = L::sra(L::add(x0, x4), out);
  v[3] = L::sra(L::add(x8, x6), out);
  v[4] = L::sra(L::sub(x8, x6), out);
  v[5] = L::sra(L::sub(x0, x4), out);
  v[6] = L::sra(L::sub(x3, x2), out);
  v[7] = L::sra(L::sub(x7, x1), out);
}

// One pass over eight inputs per lane in 32 bits, as the portable code computes it. The row pass
// (COLUMN false) keeps 11 bits of fraction and shifts by 8; the column pass rounds its products by
// 3 bits and shifts by 14. With LOW_FOUR the inputs 4 to 7 are known to be zero and are not read:
// the compiler drops the terms they feed, and what remains is the same arithmetic, so the results
// are the same. The AVX2 kernel makes both passes with it (eight lanes of 32-bit products are
// cheap there); the SSE2 one only the column pass of the rare block whose row results do not fit
// 16 bits.
template <class L, bool COLUMN, bool LOW_FOUR = false>
inline void idctPass(typename L::V* v) {
  using V = typename L::V;
  V zero = L::set(0);
  V x1 = LOW_FOUR ? zero : L::sll(v[4], COLUMN ? 8 : 11), x2 = LOW_FOUR ? zero : v[6], x3 = v[2], x4 = v[1],
    x5 = LOW_FOUR ? zero : v[7], x6 = LOW_FOUR ? zero : v[5], x7 = v[3];
  V x0 = L::add(L::sll(v[0], COLUMN ? 8 : 11), L::set(COLUMN ? 8192 : 128));
  V round = L::set(COLUMN ? 4 : 0);
  int shift = COLUMN ? 3 : 0;
  V x8 = L::add(L::mul(L::add(x4, x5), W7), round);
  x4 = L::sra(L::add(x8, L::mul(x4, W1 - W7)), shift);
  x5 = L::sra(L::sub(x8, L::mul(x5, W1 + W7)), shift);
  x8 = L::add(L::mul(L::add(x6, x7), W3), round);
  x6 = L::sra(L::sub(x8, L::mul(x6, W3 - W5)), shift);
  x7 = L::sra(L::sub(x8, L::mul(x7, W3 + W5)), shift);
  x8 = L::add(x0, x1);
  x0 = L::sub(x0, x1);
  x1 = L::add(L::mul(L::add(x3, x2), W6), round);
  x2 = L::sra(L::sub(x1, L::mul(x2, W2 + W6)), shift);
  x3 = L::sra(L::add(x1, L::mul(x3, W2 - W6)), shift);
  idctOutputs<L, COLUMN>(x0, x2, x3, x4, x5, x6, x7, x8, v);
}

// The same pass from inputs that fit 16 bits, paired in the lanes as pmaddwd takes them: p[0]
// holds inputs 0 and 4, p[1] inputs 1 and 7, p[2] inputs 5 and 3, p[3] inputs 2 and 6. Each of the
// portable pass's rotations (x8 = W7 (x4 + x5); x4 = x8 + (W1 - W7) x4; ...) is one sum of two
// products, W1 x4 + W7 x5, which pmaddwd forms exactly: the results are the same to the bit, for a
// third of the multiplications. SSE2 has no 32-bit multiplication of its own (each one takes six
// instructions), so its kernel takes this pass wherever it can.
template <class L, bool COLUMN>
inline void idctPairPass(const typename L::V* p, typename L::V* v) {
  using V = typename L::V;
  constexpr int dc = COLUMN ? 256 : 2048;
  V round = L::set(COLUMN ? 4 : 0);
  int shift = COLUMN ? 3 : 0;
  V x8 = L::add(L::madd(p[0], dc, dc), L::set(COLUMN ? 8192 : 128));
  V x0 = L::add(L::madd(p[0], dc, -dc), L::set(COLUMN ? 8192 : 128));
  V x4 = L::sra(L::add(L::madd(p[1], W1, W7), round), shift);
  V x5 = L::sra(L::add(L::madd(p[1], W7, -W1), round), shift);
  V x6 = L::sra(L::add(L::madd(p[2], W5, W3), round), shift);
  V x7 = L::sra(L::add(L::madd(p[2], W3, -W5), round), shift);
  V x2 = L::sra(L::add(L::madd(p[3], W6, -W2), round), shift);
  V x3 = L::sra(L::add(L::madd(p[3], W2, W6), round), shift);
  idctOutputs<L, COLUMN>(x0, x2, x3, x4, x5, x6, x7, x8, v);
}

// True when every lane of the n vectors fits 16 bits, so the column pass can take them paired.
// Row results of real blocks do; a block of extreme coefficients can reach 2^17.
template <class L>
inline bool fitSixteenBits(const typename L::V* v, int n) {
  using V = typename L::V;
  V bias = L::set(0x8000), high = L::set(0);
  for (int i = 0; i < n; ++i) high = L::orv(high, L::add(v[i], bias));
  return L::allZero(L::andv(high, L::set((int)0xFFFF0000u)));
}

// The column pass's inputs (v[j]: the j-th row, lanes are columns) paired for idctPairPass.
template <class L>
inline void pairRows(const typename L::V* v, typename L::V* p) {
  p[0] = L::pair(v[0], v[4]);
  p[1] = L::pair(v[1], v[7]);
  p[2] = L::pair(v[5], v[3]);
  p[3] = L::pair(v[2], v[6]);
}

// Rows of eight 16-bit values in, columns out.
inline void transpose8x16(const __m128i* r, __m128i* t) {
  __m128i a0 = _mm_unpacklo_epi16(r[0], r[1]), a1 = _mm_unpackhi_epi16(r[0], r[1]);
  __m128i a2 = _mm_unpacklo_epi16(r[2], r[3]), a3 = _mm_unpackhi_epi16(r[2], r[3]);
  __m128i a4 = _mm_unpacklo_epi16(r[4], r[5]), a5 = _mm_unpackhi_epi16(r[4], r[5]);
  __m128i a6 = _mm_unpacklo_epi16(r[6], r[7]), a7 = _mm_unpackhi_epi16(r[6], r[7]);
  __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
  __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
  __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
  __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
  t[0] = _mm_unpacklo_epi64(b0, b4);
  t[1] = _mm_unpackhi_epi64(b0, b4);
  t[2] = _mm_unpacklo_epi64(b1, b5);
  t[3] = _mm_unpackhi_epi64(b1, b5);
  t[4] = _mm_unpacklo_epi64(b2, b6);
  t[5] = _mm_unpackhi_epi64(b2, b6);
  t[6] = _mm_unpacklo_epi64(b3, b7);
  t[7] = _mm_unpackhi_epi64(b3, b7);
}

inline void transpose4x32(const __m128i* p, __m128i* out) {
  __m128i q0 = _mm_unpacklo_epi32(p[0], p[1]), q1 = _mm_unpacklo_epi32(p[2], p[3]);
  __m128i q2 = _mm_unpackhi_epi32(p[0], p[1]), q3 = _mm_unpackhi_epi32(p[2], p[3]);
  out[0] = _mm_unpacklo_epi64(q0, q1);
  out[1] = _mm_unpackhi_epi64(q0, q1);
  out[2] = _mm_unpacklo_epi64(q2, q3);
  out[3] = _mm_unpackhi_epi64(q2, q3);
}

// A block with AC coefficients; the DC-only block keeps the portable shortcut, which gives the
// same value. Tested on the rows already loaded, as whole registers.
inline bool onlyDc(const __m128i* rows) {
  __m128i ac = _mm_slli_si128(_mm_srli_si128(rows[0], 2), 2);
  for (int i = 1; i < 8; ++i) ac = _mm_or_si128(ac, rows[i]);
  return _mm_movemask_epi8(_mm_cmpeq_epi8(ac, _mm_setzero_si128())) == 0xFFFF;
}

// A block whose coefficients all lie in rows 0 to 3 and columns 0 to 3.
inline bool onlyLowFour(const __m128i* rows) {
  __m128i outside = _mm_or_si128(_mm_or_si128(rows[4], rows[5]), _mm_or_si128(rows[6], rows[7]));
  __m128i right = _mm_or_si128(_mm_or_si128(rows[0], rows[1]), _mm_or_si128(rows[2], rows[3]));
  outside = _mm_or_si128(outside, _mm_srli_si128(right, 8));
  return _mm_movemask_epi8(_mm_cmpeq_epi8(outside, _mm_setzero_si128())) == 0xFFFF;
}

inline int16_t dcOnlyValue(int16_t dc) {
  int v = (dc * 8 + 32) >> 6;
  return (int16_t)(v < -256 ? -256 : (v > 255 ? 255 : v));
}

// The start every row kernel shares: loads the block's rows and, for a DC-only block, writes its
// one value to all of `out` and returns true; otherwise leaves the rows transposed in `cols`.
inline bool loadRowsOrDc(const int16_t* block, __m128i* rows, __m128i* cols, __m128i* out) {
  for (int i = 0; i < 8; ++i) rows[i] = _mm_loadu_si128((const __m128i*)(block + 8 * i));
  if (onlyDc(rows)) {
    __m128i v = _mm_set1_epi16(dcOnlyValue(block[0]));
    for (int i = 0; i < 8; ++i) out[i] = v;
    return true;
  }
  transpose8x16(rows, cols);
  return false;
}

// Written out rather than looped, so the compiler does not turn it into a call to memset.
inline void clearBlock(int16_t* block) {
  __m128i zero = _mm_setzero_si128();
  _mm_storeu_si128((__m128i*)block, zero);
  _mm_storeu_si128((__m128i*)(block + 8), zero);
  _mm_storeu_si128((__m128i*)(block + 16), zero);
  _mm_storeu_si128((__m128i*)(block + 24), zero);
  _mm_storeu_si128((__m128i*)(block + 32), zero);
  _mm_storeu_si128((__m128i*)(block + 40), zero);
  _mm_storeu_si128((__m128i*)(block + 48), zero);
  _mm_storeu_si128((__m128i*)(block + 56), zero);
}

// Eight rows of inverse DCT output (-256 .. 255) written to the picture: plus 128 for an intra
// block, added to the prediction otherwise; both saturate to 0 .. 255 as the clip table does.
inline void putRows(const __m128i* rows, uint8_t* dst, int stride) {
  __m128i bias = _mm_set1_epi16(128);
  for (int i = 0; i < 8; ++i, dst += stride) {
    __m128i v = _mm_add_epi16(rows[i], bias);
    _mm_storel_epi64((__m128i*)dst, _mm_packus_epi16(v, v));
  }
}

inline void addRows(const __m128i* rows, uint8_t* dst, int stride) {
  __m128i zero = _mm_setzero_si128();
  for (int i = 0; i < 8; ++i, dst += stride) {
    __m128i d = _mm_unpacklo_epi8(_mm_loadl_epi64((const __m128i*)dst), zero);
    __m128i v = _mm_add_epi16(d, rows[i]);
    _mm_storel_epi64((__m128i*)dst, _mm_packus_epi16(v, v));
  }
}

// The three kernels made from a function that computes the rows of a block's inverse DCT: the
// rows back into the block, or onto the picture with the block cleared.
using IdctRows = void (*)(const int16_t* block, __m128i* rows);

template <IdctRows ROWS>
inline void idctInPlace(int16_t* block) {
  __m128i rows[8];
  ROWS(block, rows);
  for (int i = 0; i < 8; ++i) _mm_storeu_si128((__m128i*)(block + 8 * i), rows[i]);
}

template <IdctRows ROWS, bool INTRA>
inline void idctOntoPicture(int16_t* block, uint8_t* dst, int stride) {
  __m128i rows[8];
  ROWS(block, rows);
  clearBlock(block);
  INTRA ? putRows(rows, dst, stride) : addRows(rows, dst, stride);
}

}  // namespace
