// libFuzzer target: whole MPEG clips from memory through the decoder, display order and colour
// conversion. Fatal stream errors are expected outcomes; anything the sanitizers see is a bug.
#include <cstdint>
#include <vector>

#include "video/clip_reader.h"
#include "video/colour_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MpegDecoder decoder;
  decoder.quiet = true;
  // Keeps each input fast (the seeds are 32 to 48 pixels a side); the size check itself is exercised.
  decoder.maxLumaSamples = 128 * 128;
  ColourConverter converter;
  std::vector<uint32_t> rgb;
  try {
    decoder.openStream(data, size);
    rgb.resize((size_t)decoder.codedWidth * decoder.codedHeight);
    decodeAllPictures(decoder, [&](const ShownPicture& shown) {
      converter.convert(decoder, shown, rgb.data(), decoder.codedWidth);
    });
  } catch (const MpegFatal&) {
  }
  return 0;
}
