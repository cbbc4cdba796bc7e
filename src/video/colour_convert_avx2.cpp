// The colour conversion's loops compiled for AVX2: this file alone is built with AVX2 enabled,
// and colour_convert.cpp hands its set out only on processors that report AVX2.
#if !defined(ZUB_PORTABLE) && defined(__x86_64__)
#include "video/colour_filters.h"
#include "video/colour_kernels.h"

extern const ColourKernels kColourAvx2;
const ColourKernels kColourAvx2{"avx2", verticalProgressive, verticalInterlaced, horizontal, matrixRows};
#endif
