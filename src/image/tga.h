// Uncompressed true-colour TGA decoding: width, height and depth at offsets 12, 14 and 16, pixel
// data from byte 18 (blue, green, red[, skipped]), bottom row first. Everything else in the
// header is ignored. The decoder checks every size against the bytes it was given.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

struct TgaImage {
  int32_t width = 0;
  int32_t height = 0;
  int depth = 0;              // the header's pixel depth byte
  std::unique_ptr<uint32_t[]> pixels; // width x height words 0x00RRGGBB, top row first
};

// Header only: fills width, height and depth. Returns null, or the reason the file is unusable.
const char* tgaReadHeader(const uint8_t* data, size_t size, TgaImage& out);

// Whole picture. Returns null on success (out.pixels allocated), or the reason it failed.
const char* tgaDecode(const uint8_t* data, size_t size, TgaImage& out);
