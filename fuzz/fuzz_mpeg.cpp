// libFuzzer target: whole MPEG clips from memory through the decoder, display order and colour
// conversion. Fatal stream errors are expected outcomes; anything the sanitizers see is a bug.
// The decoder, the converter and the picture are made anew for each input, at the input's size, so
// that the sanitizers see a read or write past any of them (fuzz/CMakeLists.txt says why the
// conversion runs without comparison tracing).
#include <cstdint>
#include <memory>

#include "video/clip_reader.h"
#include "video/colour_convert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MpegDecoder decoder;
  decoder.quiet = true;
  // Keeps each input fast: the seeds reach the same code at this size as at 128 x 128 (a few
  // are larger than 64 x 64), and the size check itself is exercised.
  decoder.maxLumaSamples = 96 * 96;
  ColourConverter converter;
  try {
    decoder.openStream(data, size);
    // Exactly the pixels the conversion writes, display size.
    int width = decoder.horizontalSize, height = decoder.verticalSize;
    std::unique_ptr<uint32_t[]> rgb(new uint32_t[(size_t)width * height]);
    // The colour conversion is the same straight-line code for every picture: the first picture of
    // a clip exercises it, every picture exercises the decoder.
    bool converted = false;
    decodeAllPictures(decoder, [&](const ShownPicture& shown) {
      if (converted) return;
      converter.convert(decoder, shown, rgb.get(), width);
      converted = true;
    });
  } catch (const MpegFatal&) {
  }
  return 0;
}
