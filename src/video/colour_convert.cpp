// Chroma up-sampling (4:2:0 to 4:2:2 vertically, 4:2:2 to 4:4:4 horizontally) and the YCbCr to
// RGB matrix, all integer, clamped to 0..255.
#include "video/colour_convert.h"

#include <cstring>
#include <new>

#include "video/colour_filters.h"
#include "video/colour_kernels.h"

namespace {

const ColourKernels kColourPortable{"portable", verticalProgressive, verticalInterlaced, horizontal, matrixRows};

#if !defined(ZUB_PORTABLE) && defined(__x86_64__)
bool hasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2");
}
#endif

}  // namespace

#if !defined(ZUB_PORTABLE) && defined(__x86_64__)
extern const ColourKernels kColourAvx2; // colour_convert_avx2.cpp
#endif

const ColourKernels* colourKernels(MpegKernelSet set) {
  switch (set) {
    case MpegKernelSet::Portable:
      return &kColourPortable;
#if !defined(ZUB_PORTABLE) && defined(__x86_64__)
    case MpegKernelSet::Avx2:
      return hasAvx2() ? &kColourAvx2 : nullptr;
#endif
    default:
      return nullptr;
  }
}

const ColourKernels& bestColourKernels() {
  static const ColourKernels* best = [] {
    const ColourKernels* wide = colourKernels(MpegKernelSet::Avx2);
    return wide ? wide : &kColourPortable;
  }();
  return *best;
}

uint32_t convertPixel(int y, int cb, int cr, int matrixCoefficients) {
  const ColourMatrix& m = colourMatrixFor(matrixCoefficients);
  int luma = 76309 * (y - 16);
  int u = cb - 128, v = cr - 128;
  int r = clamp255((luma + m.crv * v + 32768) >> 16);
  int g = clamp255((luma - m.cgu * u - m.cgv * v + 32768) >> 16);
  int b = clamp255((luma + m.cbu * u + 32768) >> 16);
  return (uint32_t)(r << 16) | (uint32_t)(g << 8) | (uint32_t)b;
}

void ColourConverter::reserve(const MpegDecoder& d) {
  int64_t samples = (int64_t)d.codedWidth * d.codedHeight;
  if (samples > allocated) {
    // The old planes go first, so the peak is never both sizes at once.
    planes422.reset();
    planes444.reset();
    cb422 = cr422 = cb444 = cr444 = nullptr;
    allocated = 0;
    planes422.reset(new (std::nothrow) uint8_t[samples]);  // two planes of half width
    planes444.reset(new (std::nothrow) uint8_t[2 * samples]);
    if (!planes422 || !planes444) mpegFatal(false, "malloc failed");
    cb422 = planes422.get();
    cr422 = cb422 + samples / 2;
    cb444 = planes444.get();
    cr444 = cb444 + samples;
    allocated = samples;
  }
}

void ColourConverter::convert(const MpegDecoder& d, const ShownPicture& picture, uint32_t* out, int outStride) {
  if (!picture.frame) return;
  reserve(d);
  const ColourKernels& k = kernels ? *kernels : bestColourKernels();
  const uint8_t* cb = picture.frame->plane[1];
  const uint8_t* cr = picture.frame->plane[2];
  bool progressive = d.progressiveSequence || picture.progressiveFrame;
  if (d.chromaFormat == kChroma420) {
    if (progressive) {
      k.verticalProgressive(cb, cb422, d.chromaWidth, d.chromaHeight);
      k.verticalProgressive(cr, cr422, d.chromaWidth, d.chromaHeight);
    } else {
      k.verticalInterlaced(cb, cb422, d.chromaWidth, d.chromaHeight);
      k.verticalInterlaced(cr, cr422, d.chromaWidth, d.chromaHeight);
    }
    cb = cb422;
    cr = cr422;
  }
  if (d.chromaFormat != kChroma444) {
    k.horizontal(cb, cb444, d.chromaWidth, d.codedHeight, d.mpeg2);
    k.horizontal(cr, cr444, d.chromaWidth, d.codedHeight, d.mpeg2);
    cb = cb444;
    cr = cr444;
  }

  const ColourMatrix& m = colourMatrixFor(d.mpeg2 ? d.matrixCoefficients : 5);
  int width = d.horizontalSize < outStride ? d.horizontalSize : outStride;
  k.matrix(picture.frame->plane[0], cb, cr, d.codedWidth, d.verticalSize, width, m, out, outStride);
}
