// The colour conversion's loops as a set of functions, one set per instruction set the build
// carries: the portable loops, and on x86-64 the same loops compiled for AVX2, used only on
// processors that have it. Integer arithmetic throughout, so every set gives the same pixels.
#pragma once
#include <cstdint>

#include "video/mpeg_kernels.h"
#include "video/mpeg_tables.h"

struct ColourKernels {
  const char* name;
  // 4:2:0 to 4:2:2: h chroma rows of w samples into 2h rows.
  void (*verticalProgressive)(const uint8_t* src, uint8_t* dst, int w, int h);
  void (*verticalInterlaced)(const uint8_t* src, uint8_t* dst, int w, int h);
  // 4:2:2 to 4:4:4: h rows of w samples into rows of 2w.
  void (*horizontal)(const uint8_t* src, uint8_t* dst, int w, int h, bool mpeg2);
  // Full-resolution planes through the matrix into 0x00RRGGBB pixels.
  void (*matrix)(const uint8_t* luma, const uint8_t* cb, const uint8_t* cr, int codedWidth, int rows, int width,
                 const ColourMatrix& m, uint32_t* out, int outStride);
};

// The set for this machine (the portable one in a ZUB_PORTABLE build).
const ColourKernels& bestColourKernels();
// Portable, or AVX2 where this build and processor have it; null otherwise (tests compare them).
const ColourKernels* colourKernels(MpegKernelSet set);
