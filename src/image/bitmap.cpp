// Bitmap construction, destruction, the opaque blit and the small whole-image operations.
#include "image/bitmap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "image/blit_clip.h"

namespace {
int32_t serialCounter = 0;
}

int32_t nextBitmapSerial() { return serialCounter++; }

Bitmap::Bitmap(int32_t w, int32_t h) {
  width = w;
  height = h;
  bitsPerPixel = 32;
  int64_t pixelCount = (int64_t)(w < 0 ? 0 : w) * (h < 0 ? 0 : h);
  // A size whose byte count does not fit the 32-bit capacity cannot be allocated either.
  // Zeroed by the allocator: a large array comes as fresh pages from the system, which take no
  // memory until something draws on them (the effects' 1600 x 1200 scratch pictures are mostly
  // used far smaller), and need no clearing at start-up.
  if (w >= 0 && h >= 0 && pixelCount * 4 <= INT32_MAX) {
    storage = std::unique_ptr<uint32_t[], PixelRelease>((uint32_t*)calloc((size_t)(pixelCount > 0 ? pixelCount : 1), 4),
                                                        PixelRelease{true});
    pixels = storage.get();
  }
  if (!pixels) {
    // Nothing to draw on: no size either, so an operation called on it anyway touches nothing.
    width = height = 0;
    failure = zub::failure(1, "Error: orv_Bitmap allocation\n");
    return;
  }
  capacity = (int32_t)(pixelCount * 4);
  printf("Allocated bitmap: %d x %d x %d \n", width, height, (int)bitsPerPixel);
  name = "[None]";
  description = "Untitled";
  serial = nextBitmapSerial();
}

void Bitmap::adoptPixels(std::unique_ptr<uint32_t[]> array) {
  storage = std::unique_ptr<uint32_t[], PixelRelease>(array.release(), PixelRelease{false});
  pixels = storage.get();
}

void Bitmap::borrowPixels(uint32_t* memory) {
  storage.reset();
  pixels = memory;
}

void Bitmap::blit(Bitmap* dst, int x, int y) {
  BlitSpan s;
  if (!clipBlit(this, dst, x, y, s)) return;
  // Onto the same pixels the pairs are taken in order, rows from the top, each from the left, so
  // a pixel copied earlier is read again (a blit at (1, 0) smears column 0 along the row).
  if (sharePixels(this, dst)) {
    for (int row = 0; row < s.rows; ++row) {
      for (int col = 0; col < s.cols; ++col) s.dst[col] = s.src[col];
      s.src += s.cols + s.srcSkip;
      s.dst += s.cols + s.dstSkip;
    }
    return;
  }
  for (int row = 0; row < s.rows; ++row) {
    memcpy(s.dst, s.src, (size_t)s.cols * 4);
    s.src += s.cols + s.srcSkip;
    s.dst += s.cols + s.dstSkip;
  }
}

void Bitmap::blit_centered(Bitmap* dst) { blit(dst, (dst->width - width) / 2, (dst->height - height) / 2); }

void Bitmap::clear() { memset(pixels, 0, (size_t)width * height * 4); }

void Bitmap::draw_border(uint32_t colour) {
  if (width <= 0 || height <= 0) return;
  uint32_t* bottom = pixels + (int64_t)(height - 1) * width;
  for (int x = 0; x < width; ++x) pixels[x] = bottom[x] = colour;
  for (int y = 0; y < height; ++y) pixels[(int64_t)y * width] = pixels[(int64_t)y * width + width - 1] = colour;
}
