// The block layer: DC differentials (Tables B.12, B.13), the coefficients that the fast reader of
// mpeg_coefficients.h serves inverse quantised (MPEG-1 with oddification, MPEG-2 with saturation
// and mismatch control), and the 8 x 8 integer inverse DCT.
#include <cstdio>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "video/idct_weights.h"
#include "video/mpeg_coefficients.h"
#include "video/mpeg_decoder.h"
#include "video/mpeg_tables.h"

namespace {

using idct::W1, idct::W2, idct::W3, idct::W5, idct::W6, idct::W7;

// Coefficients are saturated to 12 bits, but a damaged block of extreme values still drives the
// products by 181 past 32 bits (to about 2^31 in the row pass, 2^35 in the column pass), so those
// are 64-bit; every other value stays below 2^30 (row results below 2^17, checked over all
// extreme sign patterns), and the row results are kept in 32-bit storage instead of 16.

// One row with 11 bits of fraction; a row without AC coefficients is the DC scaled up. With
// saturated input every value fits 32 bits except the two products by 181.
inline void idctRow(const int16_t* blk, int32_t* out) {
  int32_t x1 = blk[4] * 2048, x2 = blk[6], x3 = blk[2], x4 = blk[1], x5 = blk[7], x6 = blk[5], x7 = blk[3];
  if (!(x1 | x2 | x3 | x4 | x5 | x6 | x7)) {
    int32_t dc = blk[0] * 8;
    for (int i = 0; i < 8; ++i) out[i] = dc;
    return;
  }
  int32_t x0 = blk[0] * 2048 + 128;
  int32_t x8 = W7 * (x4 + x5);
  x4 = x8 + (W1 - W7) * x4;
  x5 = x8 - (W1 + W7) * x5;
  x8 = W3 * (x6 + x7);
  x6 = x8 - (W3 - W5) * x6;
  x7 = x8 - (W3 + W5) * x7;
  x8 = x0 + x1;
  x0 -= x1;
  x1 = W6 * (x3 + x2);
  x2 = x1 - (W2 + W6) * x2;
  x3 = x1 + (W2 - W6) * x3;
  x1 = x4 + x6;
  x4 -= x6;
  x6 = x5 + x7;
  x5 -= x7;
  x7 = x8 + x3;
  x8 -= x3;
  x3 = x0 + x2;
  x0 -= x2;
  x2 = (int32_t)((181 * (int64_t)(x4 + x5) + 128) >> 8);
  x4 = (int32_t)((181 * (int64_t)(x4 - x5) + 128) >> 8);
  out[0] = (x7 + x1) >> 8;
  out[1] = (x3 + x2) >> 8;
  out[2] = (x0 + x4) >> 8;
  out[3] = (x8 + x6) >> 8;
  out[4] = (x8 - x6) >> 8;
  out[5] = (x0 - x4) >> 8;
  out[6] = (x3 - x2) >> 8;
  out[7] = (x7 - x1) >> 8;
}

// One column; results go through the IDCT clip table (-256 .. 255). Its index is clamped first,
// which changes nothing for the values a valid block can produce.
inline int16_t clipped(const int16_t* idctClip, int64_t v) {
  v = v < -512 ? -512 : (v > 511 ? 511 : v);
  return idctClip[v];
}

inline void idctColumn(const int32_t* in, int16_t* blk, const int16_t* idctClip) {
  int32_t x1 = in[8 * 4] * 256, x2 = in[8 * 6], x3 = in[8 * 2], x4 = in[8 * 1], x5 = in[8 * 7], x6 = in[8 * 5],
          x7 = in[8 * 3];
  if (!(x1 | x2 | x3 | x4 | x5 | x6 | x7)) {
    int16_t v = clipped(idctClip, ((int64_t)in[0] + 32) >> 6);
    for (int i = 0; i < 8; ++i) blk[8 * i] = v;
    return;
  }
  int32_t x0 = in[0] * 256 + 8192;
  int32_t x8 = W7 * (x4 + x5) + 4;
  x4 = (x8 + (W1 - W7) * x4) >> 3;
  x5 = (x8 - (W1 + W7) * x5) >> 3;
  x8 = W3 * (x6 + x7) + 4;
  x6 = (x8 - (W3 - W5) * x6) >> 3;
  x7 = (x8 - (W3 + W5) * x7) >> 3;
  x8 = x0 + x1;
  x0 -= x1;
  x1 = W6 * (x3 + x2) + 4;
  x2 = (x1 - (W2 + W6) * x2) >> 3;
  x3 = (x1 + (W2 - W6) * x3) >> 3;
  x1 = x4 + x6;
  x4 -= x6;
  x6 = x5 + x7;
  x5 -= x7;
  x7 = x8 + x3;
  x8 -= x3;
  x3 = x0 + x2;
  x0 -= x2;
  x2 = (int32_t)((181 * (int64_t)(x4 + x5) + 128) >> 8);
  x4 = (int32_t)((181 * (int64_t)(x4 - x5) + 128) >> 8);
  blk[8 * 0] = clipped(idctClip, (x7 + x1) >> 14);
  blk[8 * 1] = clipped(idctClip, (x3 + x2) >> 14);
  blk[8 * 2] = clipped(idctClip, (x0 + x4) >> 14);
  blk[8 * 3] = clipped(idctClip, (x8 + x6) >> 14);
  blk[8 * 4] = clipped(idctClip, (x8 - x6) >> 14);
  blk[8 * 5] = clipped(idctClip, (x0 - x4) >> 14);
  blk[8 * 6] = clipped(idctClip, (x3 - x2) >> 14);
  blk[8 * 7] = clipped(idctClip, (x7 - x1) >> 14);
}

inline int saturate(int v) { return v < -2048 ? -2048 : (v > 2047 ? 2047 : v); }

// A damaged slice can add differentials without end; valid streams stay within +-1024.
inline int clampPredictor(int v) { return v < -4096 ? -4096 : (v > 4095 ? 4095 : v); }

using dct::withSign;

// saturate(withSign(magnitude, sign)) for a magnitude >= 0, with one comparison.
inline int saturatedWithSign(int magnitude, int sign) {
  int limit = 2047 - sign;
  return withSign(magnitude < limit ? magnitude : limit, sign);
}

// MPEG-1 reconstruction: truncation toward zero, then even values move one step toward zero.
// Without branches, since parity is random: (m - 1) | 1 is m for odd m and m - 1 for even m > 0,
// and -1 for 0, which the mask takes back to 0.
inline int oddified(int magnitude, int sign) {
  int odd = (magnitude - 1) | 1;
  odd &= ~(odd >> 31);
  return saturatedWithSign(odd, sign);
}

}  // namespace

void buildClipTables(uint8_t* clip1024, int16_t* idctClip1024) {
  for (int i = -384; i < 640; ++i) clip1024[i + 384] = (uint8_t)(i < 0 ? 0 : (i > 255 ? 255 : i));
  for (int i = -512; i < 512; ++i) idctClip1024[i + 512] = (int16_t)(i < -256 ? -256 : (i > 255 ? 255 : i));
}

const MpegClipTables& mpegClipTables() {
  static const MpegClipTables tables = [] {
    MpegClipTables t;
    buildClipTables(t.clip, t.idctClip);
    return t;
  }();
  return tables;
}

void inverseDct(int16_t* block, const int16_t* idctClip) {
  // A block with only its DC is flat: the general path would give clip((8 DC + 32) >> 6) too.
  uint64_t words[16];
  static_assert(sizeof words == 64 * sizeof *block, "the words hold the block's 64 coefficients exactly");
  memcpy(words, block, sizeof words);
  uint64_t ac = words[0] & ~(uint64_t)0xFFFF;  // block[0] is the low half-word on little-endian
  for (int i = 1; i < 16; ++i) ac |= words[i];
  if (ac == 0 && std::endian::native == std::endian::little) {
    int16_t v = clipped(idctClip, ((int64_t)block[0] * 8 + 32) >> 6);
    for (int i = 0; i < 64; ++i) block[i] = v;
    return;
  }
  int32_t rows[64];
  for (int i = 0; i < 8; ++i) idctRow(block + 8 * i, rows + 8 * i);
  for (int i = 0; i < 8; ++i) idctColumn(rows + i, block + i, idctClip);
}

// dct_dc_size and dct_dc_differential; -1000 marks an invalid size code.
int MpegDecoder::dct_dc_differential(int cc) {
  const VlcLookup& table = cc == 0 ? vlc.dcSizeLuminance : vlc.dcSizeChrominance;
  const VlcEntry& e = table.entries[input.showBits(table.bits)];
  if (e.length == 0) return -1000;
  input.flushBits(e.length);
  int size = e.value;
  if (size == 0) return 0;
  int bits = (int)input.getBits(size);
  if ((bits & (1 << (size - 1))) == 0) bits -= (1 << size) - 1;
  return bits;
}

namespace {

// How a block's coefficients are coded and weighted.
struct BlockCoding {
  DctCodes codes;
  const MpegDecoder::ScanWeights* weights;
};

// The coefficients after the DC (intra) or from the start (non-intra, `i` = -1), inverse
// quantised into `bp`; `sum` collects the MPEG-2 mismatch parity.
// Kept out of line, so that the loop gets the registers to itself.
template <bool MPEG2, bool INTRA>
[[gnu::noinline]] BlockEnd readCoefficients(MpegInput& input, const BlockCoding& coding, int16_t* bp, int i, int& sum) {
  const uint16_t* weight = coding.weights->weight;
  const uint8_t* scan = coding.weights->scan;
  int parity = sum;
  BlockEnd end = readDctCoefficients<MPEG2>(input, coding.codes, i, [&](int position, int level, int sign) {
    int j = scan[position];
    int weighted = (INTRA ? level : 2 * level + 1) * weight[position];
    int v;
    if (MPEG2)
      v = saturatedWithSign(weighted >> (INTRA ? 4 : 5), sign);
    else
      v = oddified(weighted >> (INTRA ? 3 : 4), sign);
    bp[j] = (int16_t)v;
    if (MPEG2) parity ^= v;
  });
  sum = parity;
  return end;
}

}  // namespace

// A block that ended on a fault: its warning (the escape's text names the intra function in both
// MPEG-2 block kinds, as it always has) and the picture marked faulty. False at a block's end.
bool MpegDecoder::blockFailed(BlockEnd end, const char* function, const char* kind) {
  switch (end) {
  case BlockEnd::EndOfBlock:
    return false;
  case BlockEnd::InvalidCode:
    mpegWarning(quiet, "invalid Huffman code in %s()\n", function);
    break;
  case BlockEnd::InvalidEscape:
    mpegWarning(quiet, "invalid escape in Decode_MPEG2_Intra_Block()\n");
    break;
  case BlockEnd::OutOfBounds:
    mpegWarning(quiet, "DCT coeff index (i) out of bounds (%s)\n", kind);
    break;
  }
  fault = true;
  return true;
}

const MpegDecoder::ScanWeights* MpegDecoder::weightsFor(int which, const uint8_t* matrix, const uint8_t* scan) {
  ScanWeights& w = scanWeights[which];
  if (w.scale != quantiserScale || w.scan != scan || w.generation != matrixGeneration) {
    for (int k = 0; k < 64; ++k) w.weight[k] = (uint16_t)(quantiserScale * matrix[scan[k]]);
    w.scale = quantiserScale;
    w.scan = scan;
    w.generation = matrixGeneration;
  }
  return &w;
}

void MpegDecoder::Decode_MPEG1_Intra_Block(int comp) {
  int16_t* bp = block[comp];
  int cc = comp < 4 ? 0 : (comp & 1) + 1;
  int diff = dct_dc_differential(cc);
  if (diff == -1000) {
    mpegWarning(quiet, "invalid Huffman code in Decode_MPEG1_Intra_Block()\n");
    fault = true;
    return;
  }
  dcPredictor[cc] = clampPredictor(dcPredictor[cc] + diff);
  bp[0] = (int16_t)saturate(dcPredictor[cc] * 8);
  BlockCoding coding{dctCodesFor(vlc, true, false), weightsFor(0, intraMatrix, kZigzagScan)};
  int sum = 0;
  BlockEnd end = readCoefficients<false, true>(input, coding, bp, 0, sum);
  if (blockFailed(end, "Decode_MPEG1_Intra_Block", "intra")) return;
}

void MpegDecoder::Decode_MPEG1_Non_Intra_Block(int comp) {
  // The first code is read with "1s" as run 0, level 1; a first code that starts with 0 is never
  // end of block.
  BlockCoding coding{dctCodesFor(vlc, false, false), weightsFor(2, nonIntraMatrix, kZigzagScan)};
  int sum = 0;
  BlockEnd end = readCoefficients<false, false>(input, coding, block[comp], -1, sum);
  if (blockFailed(end, "Decode_MPEG1_Non_Intra_Block", "inter")) return;
}

void MpegDecoder::Decode_MPEG2_Intra_Block(int comp) {
  int16_t* bp = block[comp];
  int cc = comp < 4 ? 0 : (comp & 1) + 1;
  const uint8_t* matrix = cc == 0 ? intraMatrix : chromaIntraMatrix;
  const uint8_t* scan = alternateScan ? kAlternateScan : kZigzagScan;
  int diff = dct_dc_differential(cc);
  if (diff == -1000) {
    mpegWarning(quiet, "invalid Huffman code in Decode_MPEG2_Intra_Block()\n");
    fault = true;
    return;
  }
  dcPredictor[cc] = clampPredictor(dcPredictor[cc] + diff);
  int value = dcPredictor[cc] * (1 << (3 - intraDcPrecision));
  // The predictor runs 128 << precision below the standard's, so the DC carries no 1024 offset;
  // the 128 comes back when the block is added. Parity, and so mismatch control, is unchanged.
  bp[0] = (int16_t)saturate(value);
  int sum = bp[0];
  BlockCoding coding{dctCodesFor(vlc, true, intraVlcFormat), weightsFor(cc == 0 ? 0 : 1, matrix, scan)};
  BlockEnd end = readCoefficients<true, true>(input, coding, bp, 0, sum);
  if (blockFailed(end, "Decode_MPEG2_Intra_Block", "intra2")) return;
  if ((sum & 1) == 0) bp[63] ^= 1;
}

void MpegDecoder::Decode_MPEG2_Non_Intra_Block(int comp) {
  int16_t* bp = block[comp];
  int cc = comp < 4 ? 0 : (comp & 1) + 1;
  const uint8_t* matrix = cc == 0 ? nonIntraMatrix : chromaNonIntraMatrix;
  const uint8_t* scan = alternateScan ? kAlternateScan : kZigzagScan;
  int sum = 0;
  BlockCoding coding{dctCodesFor(vlc, false, false), weightsFor(cc == 0 ? 2 : 3, matrix, scan)};
  BlockEnd end = readCoefficients<true, false>(input, coding, bp, -1, sum);
  if (blockFailed(end, "Decode_MPEG2_Non_Intra_Block", "inter2")) return;
  if ((sum & 1) == 0) bp[63] ^= 1;
}
