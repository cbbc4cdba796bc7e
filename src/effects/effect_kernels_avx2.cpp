// The effect loops compiled for AVX2: this file alone is built with AVX2 enabled, and
// effect_kernels.cpp hands its set out only on processors that report AVX2.
#if !defined(ZUB_PORTABLE) && defined(__x86_64__)
#include "effects/effect_kernels.h"
#include "effects/effect_rows.h"

extern const EffectKernels kEffectsAvx2;
const EffectKernels kEffectsAvx2{"avx2", mixRow, mixColourRow, edgePixels};
#endif
