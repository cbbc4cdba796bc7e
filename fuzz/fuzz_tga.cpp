// libFuzzer target: the TGA decoder on arbitrary bytes must never read or write out of bounds.
#include <cstddef>
#include <cstdint>

#include "image/tga.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TgaImage image;
  if (!tgaDecode(data, size, image)) {
    // Touch every pixel so a short allocation shows up.
    uint32_t sum = 0;
    for (int64_t i = 0, n = (int64_t)image.width * image.height; i < n; ++i) sum += image.pixels[i];
    return sum == 0xFFFFFFFF ? 1 : 0;
  }
  return 0;
}
