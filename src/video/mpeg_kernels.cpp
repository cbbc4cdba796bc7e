// The kernel sets of mpeg_kernels.h. The SIMD inverse DCT repeats the portable one's integer steps
// lane by lane in 32 bits: every intermediate of the portable version fits 32 bits except its two
// products by 181, which are split here (a = 256 h + l) so that they fit too and round the same.
// The SSE2 set forms each rotation as one sum of two 16-bit products (pmaddwd), the same sums.
#include "video/mpeg_kernels.h"

#include <cstring>
#include <initializer_list>

#include "video/mpeg_decoder.h"

#if !defined(ZUB_PORTABLE) && defined(__x86_64__)
#define ZUB_X86_KERNELS 1
#include <immintrin.h>

// In mpeg_kernels_avx2.cpp, the one file built for AVX2; called only where the processor has it.
void inverseDctAvx2(int16_t* block);
void idctPutAvx2(int16_t* block, uint8_t* dst, int stride);
void idctAddAvx2(int16_t* block, uint8_t* dst, int stride);
#endif

namespace {

// ---- portable ----

void inverseDctPortable(int16_t* block) { inverseDct(block, mpegClipTables().idctClip + 512); }

void putIntraPortable(const int16_t* block, uint8_t* dst, int stride) {
  const uint8_t* clip = mpegClipTables().clip + 384;
  for (int i = 0; i < 8; ++i, dst += stride, block += 8)
    for (int j = 0; j < 8; ++j) dst[j] = clip[block[j] + 128];
}

void addInterPortable(const int16_t* block, uint8_t* dst, int stride) {
  const uint8_t* clip = mpegClipTables().clip + 384;
  for (int i = 0; i < 8; ++i, dst += stride, block += 8)
    for (int j = 0; j < 8; ++j) dst[j] = clip[dst[j] + block[j]];
}

void idctPutPortable(int16_t* block, uint8_t* dst, int stride) {
  inverseDctPortable(block);
  putIntraPortable(block, dst, stride);
  memset(block, 0, 64 * sizeof *block);
}

void idctAddPortable(int16_t* block, uint8_t* dst, int stride) {
  inverseDctPortable(block);
  addInterPortable(block, dst, stride);
  memset(block, 0, 64 * sizeof *block);
}

template <int W, bool AVG, bool HX, bool HY>
void predictPortable(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int h) {
  for (int row = 0; row < h; ++row) {
    const uint8_t* s = src;
    const uint8_t* s2 = src + srcStride;
    for (int x = 0; x < W; ++x) {
      int v;
      if (HX && HY)
        v = (s[x] + s[x + 1] + s2[x] + s2[x + 1] + 2) >> 2;
      else if (HX)
        v = (s[x] + s[x + 1] + 1) >> 1;
      else if (HY)
        v = (s[x] + s2[x] + 1) >> 1;
      else
        v = s[x];
      dst[x] = AVG ? (uint8_t)((dst[x] + v + 1) >> 1) : (uint8_t)v;
    }
    src += srcStride;
    dst += dstStride;
  }
}

// The predict[w == 16][average][hx][hy] table of a kernel set, from its loop template.
template <template <int, bool, bool, bool> class LOOP, int I = 0>
constexpr void fillPredict(PredictKernel (&table)[2][2][2][2]) {
  if constexpr (I < 16) {
    constexpr bool wide = I & 8, average = I & 4, hx = I & 2, hy = I & 1;
    table[wide][average][hx][hy] = LOOP<wide ? 16 : 8, average, hx, hy>::run;
    fillPredict<LOOP, I + 1>(table);
  }
}

template <int W, bool AVG, bool HX, bool HY>
struct PortablePredict {
  static constexpr PredictKernel run = predictPortable<W, AVG, HX, HY>;
};

constexpr MpegKernels makePortable() {
  MpegKernels k{"portable", inverseDctPortable, putIntraPortable, addInterPortable, idctPutPortable, idctAddPortable,
                {}};
  fillPredict<PortablePredict>(k.predict);
  return k;
}

const MpegKernels kPortable = makePortable();

#ifdef ZUB_X86_KERNELS

#include "video/mpeg_kernels_simd.h"

// The rows of the block's inverse DCT; the block itself is left as it was.
void idctRowsSse2(const int16_t* block, __m128i* out) {
  __m128i rows[8], cols[8];
  if (loadRowsOrDc(block, rows, cols, out)) return;
  // Row pass, four rows per lane group: lanes are rows, pass[g][k] the k-th result of each.
  __m128i pass[2][8];
  for (int g = 0; g < 2; ++g) {
    auto pairOf = [g](__m128i low, __m128i high) {
      return g ? _mm_unpackhi_epi16(low, high) : _mm_unpacklo_epi16(low, high);
    };
    __m128i paired[4] = {pairOf(cols[0], cols[4]), pairOf(cols[1], cols[7]), pairOf(cols[5], cols[3]),
                         pairOf(cols[2], cols[6])};
    idctPairPass<Sse2Lanes, false>(paired, pass[g]);
  }
  // Column pass, four columns per lane group: lanes are columns, v[j] the j-th row.
  bool sixteenBits = fitSixteenBits<Sse2Lanes>(pass[0], 8) && fitSixteenBits<Sse2Lanes>(pass[1], 8);
  __m128i result[2][8];
  for (int h = 0; h < 2; ++h) {
    __m128i* v = result[h];
    transpose4x32(pass[0] + 4 * h, v);
    transpose4x32(pass[1] + 4 * h, v + 4);
    if (sixteenBits) {
      __m128i p[4];
      pairRows<Sse2Lanes>(v, p);
      idctPairPass<Sse2Lanes, true>(p, v);
    } else {
      idctPass<Sse2Lanes, true>(v);
    }
  }
  __m128i low = _mm_set1_epi16(-256), high = _mm_set1_epi16(255);
  for (int j = 0; j < 8; ++j) {
    // Saturating to 16 bits first changes nothing: the clamp that follows is narrower.
    __m128i row = _mm_packs_epi32(result[0][j], result[1][j]);
    out[j] = _mm_min_epi16(_mm_max_epi16(row, low), high);
  }
}

void inverseDctSse2(int16_t* block) { idctInPlace<idctRowsSse2>(block); }
void idctPutSse2(int16_t* block, uint8_t* dst, int stride) { idctOntoPicture<idctRowsSse2, true>(block, dst, stride); }
void idctAddSse2(int16_t* block, uint8_t* dst, int stride) { idctOntoPicture<idctRowsSse2, false>(block, dst, stride); }

// ---- adding blocks and forming predictions, SSE2 ----

void putIntraSse2(const int16_t* block, uint8_t* dst, int stride) {
  __m128i rows[8];
  for (int i = 0; i < 8; ++i) rows[i] = _mm_loadu_si128((const __m128i*)(block + 8 * i));
  putRows(rows, dst, stride);
}

void addInterSse2(const int16_t* block, uint8_t* dst, int stride) {
  __m128i rows[8];
  for (int i = 0; i < 8; ++i) rows[i] = _mm_loadu_si128((const __m128i*)(block + 8 * i));
  addRows(rows, dst, stride);
}

template <int W>
inline __m128i load(const uint8_t* p) {
  return W == 16 ? _mm_loadu_si128((const __m128i*)p) : _mm_loadl_epi64((const __m128i*)p);
}

template <int W>
inline void store(uint8_t* p, __m128i v) {
  if (W == 16)
    _mm_storeu_si128((__m128i*)p, v);
  else
    _mm_storel_epi64((__m128i*)p, v);
}

// (a + b + c + d + 2) >> 2 per byte from the two rounded pair averages x = avg(a, b) and
// y = avg(c, d): avg(x, y) is one too high exactly when a pair had an odd sum and x + y is odd,
// so that bit comes off. `pairOdd` is (a ^ b) | (c ^ d).
inline __m128i average4(__m128i x, __m128i y, __m128i pairOdd) {
  __m128i high = _mm_and_si128(_mm_and_si128(pairOdd, _mm_xor_si128(x, y)), _mm_set1_epi8(1));
  return _mm_sub_epi8(_mm_avg_epu8(x, y), high);
}

// _mm_avg_epu8 is (a + b + 1) >> 1, the half-sample and the averaging rule both. Each source row
// is loaded once and serves as the lower row of one output row and the upper of the next.
template <int W, bool HX, bool HY, bool AVG>
void predictSse2Block(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int h) {
  __m128i upper = HX ? _mm_avg_epu8(load<W>(src), load<W>(src + 1)) : load<W>(src);
  __m128i upperOdd = HX ? _mm_xor_si128(load<W>(src), load<W>(src + 1)) : _mm_setzero_si128();
  for (int row = 0; row < h; ++row, src += srcStride, dst += dstStride) {
    // The macroblocks to the right mostly read the next cache line of the same rows.
    _mm_prefetch((const char*)src + 64, _MM_HINT_T0);
    __m128i v = upper;
    if (HY) {
      const uint8_t* next = src + srcStride;
      __m128i lower = HX ? _mm_avg_epu8(load<W>(next), load<W>(next + 1)) : load<W>(next);
      if (HX) {
        __m128i lowerOdd = _mm_xor_si128(load<W>(next), load<W>(next + 1));
        v = average4(upper, lower, _mm_or_si128(upperOdd, lowerOdd));
        upperOdd = lowerOdd;
      } else {
        v = _mm_avg_epu8(upper, lower);
      }
      upper = lower;
    } else if (row + 1 < h) {
      const uint8_t* next = src + srcStride;
      upper = HX ? _mm_avg_epu8(load<W>(next), load<W>(next + 1)) : load<W>(next);
    }
    if (AVG) v = _mm_avg_epu8(load<W>(dst), v);
    store<W>(dst, v);
  }
}

template <int W, bool AVG, bool HX, bool HY>
struct Sse2Predict {
  static constexpr PredictKernel run = predictSse2Block<W, HX, HY, AVG>;
};

constexpr MpegKernels makeSimd(const char* name, void (*inverseDct)(int16_t*), void (*idctPut)(int16_t*, uint8_t*, int),
                               void (*idctAdd)(int16_t*, uint8_t*, int)) {
  MpegKernels k{name, inverseDct, putIntraSse2, addInterSse2, idctPut, idctAdd, {}};
  fillPredict<Sse2Predict>(k.predict);
  return k;
}

const MpegKernels kSse2 = makeSimd("sse2", inverseDctSse2, idctPutSse2, idctAddSse2);
const MpegKernels kAvx2 = makeSimd("avx2", inverseDctAvx2, idctPutAvx2, idctAddAvx2);

bool hasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}

#endif

}  // namespace

const MpegKernels* mpegKernels(MpegKernelSet set) {
  switch (set) {
    case MpegKernelSet::Portable:
      return &kPortable;
#ifdef ZUB_X86_KERNELS
    case MpegKernelSet::Sse2:
      return &kSse2;
    case MpegKernelSet::Avx2:
      return hasAvx2() ? &kAvx2 : nullptr;
#else
    default:
      return nullptr;
#endif
  }
  return nullptr;
}

const MpegKernels& bestMpegKernels() {
  static const MpegKernels* best = [] {
    for (MpegKernelSet set : {MpegKernelSet::Avx2, MpegKernelSet::Sse2})
      if (const MpegKernels* k = mpegKernels(set)) return k;
    return &kPortable;
  }();
  return *best;
}
