// Helpers shared by the video tests: fixture paths, ffmpeg's reference decodes (raw planes stored
// as gray PNG rows) and PSNR.
#pragma once
#include <png.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

inline std::string videoFixture(const std::string& name) {
  return std::string(ZUB_SOURCE_DIR) + "/tests/data/video/" + name;
}

// The raw bytes of a reference decode; empty when it cannot be read.
inline std::vector<uint8_t> readReferencePlanes(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  std::vector<uint8_t> bytes;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return bytes;
  image.format = PNG_FORMAT_GRAY;
  bytes.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) bytes.clear();
  return bytes;
}

inline double psnr(const uint8_t* a, const uint8_t* b, size_t n) {
  double se = 0;
  for (size_t i = 0; i < n; ++i) {
    int d = (int)a[i] - (int)b[i];
    se += d * d;
  }
  if (se == 0) return 99.0;
  return 10.0 * std::log10(255.0 * 255.0 * (double)n / se);
}

// Minimal MSB-first bit writer for hand-made streams.
struct BitWriter {
  std::vector<uint8_t> bytes;
  int bitPos = 0;
  void put(uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i) {
      if (bitPos == 0) bytes.push_back(0);
      if ((value >> i) & 1) bytes.back() |= (uint8_t)(0x80 >> bitPos);
      bitPos = (bitPos + 1) & 7;
    }
  }
  void putCode(const char* bits) {
    for (const char* p = bits; *p; ++p)
      if (*p == '0' || *p == '1') put(*p == '1', 1);
  }
  void align() {
    while (bitPos) put(0, 1);
  }
  void startCode(uint32_t code) {
    align();
    put(code, 32);
  }
};

// Headers for hand-made streams (fields the decoder ignores are left at plain values).
inline void writeSequenceHeader(BitWriter& w, int width, int height) {
  w.startCode(0x1B3);
  w.put(width, 12);
  w.put(height, 12);
  w.put(0x13, 8);  // aspect ratio 1, 25 frames per second
  w.put(0x3FFFF, 18);
  w.put(1, 1);
  w.put(20, 10);
  w.put(0, 3);  // constrained parameters, no matrices
}

inline void writeSequenceExtension(BitWriter& w, int chroma, int progressive, int horizontalExtension = 0) {
  w.startCode(0x1B5);
  w.put(1, 4);
  w.put(0x48, 8);
  w.put(progressive, 1);
  w.put(chroma, 2);
  w.put(horizontalExtension, 2);
  w.put(0, 2);
  w.put(0, 12);
  w.put(1, 1);
  w.put(0, 8);
  w.put(0, 1);
  w.put(0, 7);
}

// Picture header; P pictures carry f_code 7 as MPEG-2 requires (the extension has the real one).
inline void writePictureHeader(BitWriter& w, int type) {
  w.startCode(0x100);
  w.put(0, 10);
  w.put(type, 3);
  w.put(0xFFFF, 16);
  if (type == 2 || type == 3) w.put(7, 4);
  if (type == 3) w.put(7, 4);
  w.put(0, 1);
}
