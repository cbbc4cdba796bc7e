// libFuzzer target: whole MPEG clips from memory through the decoder, display order and colour
// conversion. Fatal stream errors are expected outcomes; anything the sanitizers see is a bug.
#include <cstdint>
#include <vector>

#include "video/clip_reader.h"
#include "video/colour_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MpegDecoder decoder;
  decoder.quiet = true;
  // Keeps each input fast: the seeds reach the same code at this size as at 128 x 128 (a few
  // are larger than 64 x 64), and the size check itself is exercised.
  decoder.maxLumaSamples = 96 * 96;
  ColourConverter converter;
  std::vector<uint32_t> rgb;
  try {
    decoder.openStream(data, size);
    rgb.resize((size_t)decoder.codedWidth * decoder.codedHeight);
    // The colour conversion is the same straight-line code for every picture and took nine tenths of
    // each input's time under the coverage instrumentation: the first picture of a clip exercises
    // it, every picture exercises the decoder.
    bool converted = false;
    decodeAllPictures(decoder, [&](const ShownPicture& shown) {
      if (converted) return;
      converter.convert(decoder, shown, rgb.data(), decoder.codedWidth);
      converted = true;
    });
  } catch (const MpegFatal&) {
  }
  return 0;
}
