// Conversion of a decoded YCbCr picture into 32-bit 0x00RRGGBB pixels: chroma brought to full
// resolution with the 6-tap up-sampling filters, then the integer colour matrix of the stream.
#pragma once
#include <cstdint>
#include <memory>

#include "video/colour_kernels.h"
#include "video/mpeg_decoder.h"

class ColourConverter {
public:
  std::unique_ptr<uint8_t[]> planes422; // cb422 then cr422
  std::unique_ptr<uint8_t[]> planes444; // cb444 then cr444
  uint8_t* cb422 = nullptr;  // chroma width x coded height (4:2:0 input only)
  uint8_t* cr422 = nullptr;
  uint8_t* cb444 = nullptr;  // coded width x coded height (4:2:0 and 4:2:2 input)
  uint8_t* cr444 = nullptr;
  int64_t allocated = 0;     // luma samples the planes above were allocated for
  const ColourKernels* kernels = nullptr; // null: the best set for this machine

  // Makes the up-sampled planes for the decoder's current coded size, so that converting the
  // pictures of a clip allocates nothing.
  void reserve(const MpegDecoder& decoder);
  // Writes rows 0 .. vertical size - 1, columns 0 .. horizontal size - 1 of the picture into `out`
  // with `outStride` pixels per row. Interlaced frames keep their fields interleaved.
  void convert(const MpegDecoder& decoder, const ShownPicture& picture, uint32_t* out, int outStride);
};

// One pixel of the conversion: Y, Cb, Cr to 0x00RRGGBB with the given matrix code.
uint32_t convertPixel(int y, int cb, int cr, int matrixCoefficients);
