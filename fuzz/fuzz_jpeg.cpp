// libFuzzer target: the JPEG path of the picture reader on arbitrary bytes. A library error comes
// back as a failure instead of ending the process; anything the sanitizers see is a bug.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "image/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int32_t width = 0, height = 0;
  // Pictures larger than this only cost time; the refusal of large ones is still exercised.
  std::unique_ptr<uint32_t[]> pixels = decodeJpegBytes(data, size, 512 * 512, &width, &height);
  if (!pixels) return 0;
  // Touch every pixel so a short allocation or an unwritten row shows up.
  uint32_t sum = 0;
  for (int64_t i = 0, n = (int64_t)width * height; i < n; ++i) sum += pixels[i];
  return sum == 0xFFFFFFFF ? 1 : 0;
}
