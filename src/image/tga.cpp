#include "image/tga.h"

#include <new>

namespace {
const size_t headerSize = 18;
}

const char* tgaReadHeader(const uint8_t* data, size_t size, TgaImage& out) {
  if (size < headerSize) return "file is shorter than a TGA header";
  out.width = data[12] | data[13] << 8;
  out.height = data[14] | data[15] << 8;
  out.depth = data[16];
  // Fewer than three bytes a pixel cannot hold blue, green and red.
  if (out.depth / 8 < 3) return "pixel depth is not 24 or 32 bits";
  int64_t bytes = (int64_t)out.width * out.height * 4;
  if (bytes > INT32_MAX) return "picture is too large";
  uint64_t dataBytes = (uint64_t)(out.depth / 8) * out.width * out.height;
  if (dataBytes > size - headerSize) return "pixel data is shorter than the header says";
  return nullptr;
}

const char* tgaDecode(const uint8_t* data, size_t size, TgaImage& out) {
  if (const char* error = tgaReadHeader(data, size, out)) return error;
  int64_t count = (int64_t)out.width * out.height;
  out.pixels.reset(new (std::nothrow) uint32_t[count > 0 ? count : 1]);
  if (!out.pixels) return "out of memory";
  const int stride = out.depth / 8;
  // File rows run bottom to top; row r of the picture is file row height - 1 - r.
  for (int32_t r = 0; r < out.height; ++r) {
    const uint8_t* p = data + headerSize + (size_t)(out.height - 1 - r) * out.width * stride;
    uint32_t* row = out.pixels.get() + (int64_t)r * out.width;
    for (int32_t x = 0; x < out.width; ++x, p += stride) row[x] = (uint32_t)p[2] << 16 | p[1] << 8 | p[0];
  }
  return nullptr;
}
