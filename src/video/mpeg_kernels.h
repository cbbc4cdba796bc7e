// The decoder's innermost loops (inverse DCT, adding a block to the picture, forming a prediction)
// in interchangeable sets: the portable C++ one, an SSE2 one (the x86-64 baseline) and an AVX2 one
// picked at run time. Every set gives the same bytes as the portable one on every input.
#pragma once
#include <cstdint>

using PredictKernel = void (*)(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int h);

struct MpegKernels {
  const char* name;
  // 8 x 8 integer inverse DCT in place; results are clamped to -256 .. 255.
  void (*inverseDct)(int16_t* block);
  // dst = clip(block + 128) (intra) or clip(dst + block) over 8 x 8 samples.
  void (*putIntra)(const int16_t* block, uint8_t* dst, int stride);
  void (*addInter)(const int16_t* block, uint8_t* dst, int stride);
  // The inverse DCT and putIntra or addInter in one pass, leaving the block all zero for the next
  // macroblock.
  void (*idctPut)(int16_t* block, uint8_t* dst, int stride);
  void (*idctAdd)(int16_t* block, uint8_t* dst, int stride);
  // A prediction 8 or 16 samples wide and h rows high at half-sample offsets (hx, hy) from src,
  // averaged into dst when `average`: predict[w == 16][average][hx][hy]. One table read picks the
  // loop, so a macroblock's dozen predictions pay no dispatch of their own.
  PredictKernel predict[2][2][2][2];
};

enum class MpegKernelSet { Portable, Sse2, Avx2 };

// The set for this machine: the widest one the processor runs, or the portable one when the
// build was made with ZUB_PORTABLE (or for a processor without SSE2).
const MpegKernels& bestMpegKernels();
// A given set, or null when this build or processor cannot run it (tests compare them).
const MpegKernels* mpegKernels(MpegKernelSet set);
