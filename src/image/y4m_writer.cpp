#include "image/y4m_writer.h"

#include <cerrno>
#include <cstring>

namespace zub {

namespace {

inline uint8_t lumaOf(int r, int g, int b) { return (uint8_t)(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16); }
inline uint8_t cbOf(int r, int g, int b) { return (uint8_t)(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128); }
inline uint8_t crOf(int r, int g, int b) { return (uint8_t)(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128); }

} // namespace

Y4mWriter::~Y4mWriter() {
  if (file) fclose(file);
}

size_t Y4mWriter::frameBytes() const {
  size_t luma = (size_t)width * height;
  size_t chroma = chroma444 ? luma : (size_t)((width + 1) / 2) * ((height + 1) / 2);
  return 6 + luma + 2 * chroma;
}

bool Y4mWriter::open(const std::string& name, int w, int h, int fps, bool use444, std::string& error) {
  path = name;
  width = w;
  height = h;
  chroma444 = use444;
  file = fopen(path.c_str(), "wb");
  if (!file) {
    error = "cannot write " + path + ": " + strerror(errno);
    return false;
  }
  planes.assign(frameBytes() - 6, 0);
  if (fprintf(file, "YUV4MPEG2 W%d H%d F%d:1 Ip A1:1 %s\n", w, h, fps, use444 ? "C444" : "C420jpeg") < 0) {
    error = "cannot write " + path + ": " + strerror(errno);
    return false;
  }
  return true;
}

bool Y4mWriter::writeFrame(const uint32_t* pixels, std::string& error) {
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
  if (fwrite("FRAME\n", 1, 6, file) != 6 || fwrite(planes.data(), 1, planes.size(), file) != planes.size()) {
    error = "cannot write " + path + ": " + strerror(errno);
    return false;
  }
  return true;
}

bool Y4mWriter::close(std::string& error) {
  if (!file) return true;
  int status = fclose(file);
  file = nullptr;
  if (status != 0) {
    error = "cannot write " + path + ": " + strerror(errno);
    return false;
  }
  return true;
}

} // namespace zub
