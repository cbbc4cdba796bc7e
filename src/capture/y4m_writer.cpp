#include "capture/y4m_writer.h"

#include <cerrno>
#include <cstring>

#include "capture/os_services.h"

namespace zub {

namespace {

inline uint8_t lumaOf(int r, int g, int b) { return (uint8_t)(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16); }
inline uint8_t cbOf(int r, int g, int b) { return (uint8_t)(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128); }
inline uint8_t crOf(int r, int g, int b) { return (uint8_t)(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128); }

} // namespace

size_t Y4mWriter::frameBytes() const {
  size_t luma = (size_t)width * height;
  size_t chroma = chroma444 ? luma : (size_t)((width + 1) / 2) * ((height + 1) / 2);
  return 6 + luma + 2 * chroma;
}

Failure Y4mWriter::writeFailure() const { return failure(1, "cannot write %s: %s\n", name.c_str(), strerror(errno)); }

Failure Y4mWriter::open(const std::string& path, int w, int h, int fps, bool use444) {
  if (Failure begun = own.begin(path, true)) return begun;
  Y4mFormat format;
  format.width = w;
  format.height = h;
  format.rateNumerator = fps;
  format.chroma = use444 ? "444" : "420jpeg";
  return start(own.file, path == "-" ? "standard output" : path, format);
}

Failure Y4mWriter::start(FILE* output, const std::string& outputName, const Y4mFormat& format) {
  file = output;
  name = outputName;
  width = format.width;
  height = format.height;
  chroma444 = format.chroma == "444";
  framesWritten = 0;
  planes.assign(frameBytes() - 6, 0);
  binaryMode(file); // standard output starts in text mode on Windows
  if (fprintf(file, "YUV4MPEG2 W%d H%d F%d:%d I%c A%d:%d C%s\n", width, height, format.rateNumerator,
              format.rateDenominator, format.interlace, format.aspectNumerator, format.aspectDenominator,
              format.chroma.c_str()) < 0)
    return writeFailure();
  return {};
}

Failure Y4mWriter::writeFrame(const uint32_t* pixels) {
  uint8_t* y = planes.data();
  size_t lumaSize = (size_t)width * height;
  for (size_t i = 0; i < lumaSize; ++i) {
    uint32_t p = pixels[i];
    y[i] = lumaOf((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  uint8_t* cb = y + lumaSize;
  if (chroma444) {
    uint8_t* cr = cb + lumaSize;
    for (size_t i = 0; i < lumaSize; ++i) {
      uint32_t p = pixels[i];
      cb[i] = cbOf((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
      cr[i] = crOf((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
  } else {
    int cw = (width + 1) / 2, ch = (height + 1) / 2;
    uint8_t* cr = cb + (size_t)cw * ch;
    for (int cy = 0; cy < ch; ++cy)
      for (int cx = 0; cx < cw; ++cx) {
        // Average the (up to) four pixels of the block, then convert.
        int r = 0, g = 0, b = 0, n = 0;
        for (int dy = 0; dy < 2 && cy * 2 + dy < height; ++dy)
          for (int dx = 0; dx < 2 && cx * 2 + dx < width; ++dx) {
            uint32_t p = pixels[(size_t)(cy * 2 + dy) * width + cx * 2 + dx];
            r += (p >> 16) & 0xFF;
            g += (p >> 8) & 0xFF;
            b += p & 0xFF;
            ++n;
          }
        r = (r + n / 2) / n;
        g = (g + n / 2) / n;
        b = (b + n / 2) / n;
        cb[cy * cw + cx] = cbOf(r, g, b);
        cr[cy * cw + cx] = crOf(r, g, b);
      }
  }
  return writePlanes(planes.data(), planes.size());
}

Failure Y4mWriter::writePlanes(const uint8_t* data, size_t bytes) {
  if (fwrite("FRAME\n", 1, 6, file) != 6 || fwrite(data, 1, bytes, file) != bytes) return writeFailure();
  ++framesWritten;
  return {};
}

Failure Y4mWriter::close() {
  file = nullptr;
  if (own.temporary.empty()) return {};
  return own.commit();
}

} // namespace zub
