// The blends' and the edge detector's whole-picture loops as one set of functions per instruction
// set the build carries: the portable loops, and on x86-64 the same loops compiled for AVX2, used
// only on processors that have it. Integer arithmetic, and for the edges one double product per
// channel with nothing to contract it into, so every set gives the same pixels.
#pragma once
#include <cstdint>

struct EffectKernels {
  const char* name;
  void (*mixRow)(uint32_t* d, const uint32_t* s, int n, uint32_t u);
  void (*mixColourRow)(uint32_t* p, int64_t n, uint32_t colour, uint32_t u);
  void (*edgePixels)(const uint32_t* src, uint32_t* dst, int64_t from, int64_t count, int64_t w, double gain);
};

// The set for this machine (the portable one in a ZUB_PORTABLE build).
const EffectKernels& bestEffectKernels();
// The portable set (wide = false), or the AVX2 one where this build and processor have it, else
// null (tests compare them).
const EffectKernels* effectKernels(bool wide);
