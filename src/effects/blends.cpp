// Blends and colour operations: averaging, saturating, weighted and ceiling blits, in-place mixes,
// invert, noise, strobe, and the bump map made from a picture. The packed two-multiply mixes round
// red and green once but blue per term; that rounding is part of the result.
#include <cstdio>
#include <cstdlib>
#include <new>

#include "effects/effect_kernels.h"
#include "image/bitmap.h"
#include "image/blit_clip.h"
#include "core/random.h"

namespace {

inline uint32_t minChannel(uint32_t a, uint32_t b) { return a < b ? a : b; }

// One flag for the whole process: alternating strobe calls on different bitmaps alternate.
bool strobeFlag = true;

} // namespace

// Runs `op(d, s)` for every pixel pair of the clipping rule, rows top to bottom.
template <typename Op>
static inline void blitEach(Bitmap* src, Bitmap* dst, int x, int y, Op op) {
  BlitSpan s;
  if (!clipBlit(src, dst, x, y, s)) return;
  for (int row = 0; row < s.rows; ++row) {
    for (int col = 0; col < s.cols; ++col) s.dst[col] = op(s.dst[col], s.src[col]);
    s.src += s.cols + s.srcSkip;
    s.dst += s.cols + s.dstSkip;
  }
}

void Bitmap::blit_half(Bitmap* dst, int x, int y) {
  blitEach(this, dst, x, y, [](uint32_t d, uint32_t s) { return ((d >> 1) & 0x7F7F7F) + ((s >> 1) & 0x7F7F7F); });
}

void Bitmap::blit_add(Bitmap* dst, int x, int y) {
  blitEach(this, dst, x, y, [](uint32_t d, uint32_t s) {
    if (s == 0) return d;
    uint32_t r = minChannel(((d >> 16) & 0xFF) + ((s >> 16) & 0xFF), 255);
    uint32_t g = minChannel(((d >> 8) & 0xFF) + ((s >> 8) & 0xFF), 255);
    uint32_t b = minChannel((d & 0xFF) + (s & 0xFF), 255);
    return r << 16 | g << 8 | b;
  });
}

void Bitmap::blit_mix(Bitmap* dst, int x, int y, int t) {
  uint32_t u = (uint32_t)t & 0xFF;
  BlitSpan s;
  if (!clipBlit(this, dst, x, y, s)) return;
  const EffectKernels& k = bestEffectKernels();
  for (int row = 0; row < s.rows; ++row) {
    k.mixRow(s.dst, s.src, s.cols, u);
    s.src += s.cols + s.srcSkip;
    s.dst += s.cols + s.dstSkip;
  }
}

void Bitmap::blit_ceiling(Bitmap* dst, int x, int y, int r, int g, int b) {
  uint32_t rl = (uint32_t)r & 0xFF, gl = (uint32_t)g & 0xFF, bl = (uint32_t)b & 0xFF;
  blitEach(this, dst, x, y, [=](uint32_t, uint32_t s) {
    return minChannel((s >> 16) & 0xFF, rl) << 16 | minChannel((s >> 8) & 0xFF, gl) << 8 | minChannel(s & 0xFF, bl);
  });
}

void Bitmap::mix_colour(uint32_t colour, int t) {
  uint32_t u = (uint32_t)t & 0xFF;
  if (width > 0 && height > 0) bestEffectKernels().mixColourRow(pixels, (int64_t)width * height, colour, u);
}

void Bitmap::invert() {
  uint32_t* p = pixels;
  for (int64_t i = 0, n = (int64_t)width * height; i < n; ++i) p[i] = ~p[i];
}

void Bitmap::add_noise() {
  uint32_t* p = pixels;
  for (int64_t i = 0, n = (int64_t)width * height; i < n; ++i) {
    uint32_t noise = (uint32_t)zub::demoRand() & 0xFF;
    p[i] = ((p[i] >> 1) & 0x7F7F7F) + (noise >> 1) * 0x010101;
  }
}

void Bitmap::strobeReset() { strobeFlag = true; }

bool Bitmap::strobePhase() { return strobeFlag; }

void Bitmap::strobeRestore(bool phase) { strobeFlag = phase; }

void Bitmap::strobe() {
  if (!strobeFlag) {
    strobeFlag = true;
    return;
  }
  strobeFlag = false;
  uint32_t* p = pixels;
  for (int64_t i = 0, n = (int64_t)width * height; i < n; ++i) {
    // The subtractions borrow across channels on purpose: each channel lands at 63c/256 + 191
    // (red and green one higher when the low byte of 63c is 192 or more).
    uint32_t rb = ((((p[i] & 0x00FF00FF) * 63) >> 8) - 0x0040BF41) & 0x00FF00FF;
    uint32_t g = ((((p[i] & 0x0000FF00) * 63) >> 8) - 0x000040C0) & 0x0000FF00;
    p[i] = rb | g;
  }
}

BumpMap Bitmap::make_bumpmap() {
  BumpMap bump;
  int64_t count = (int64_t)width * height;
  bump.data.reset(new (std::nothrow) int8_t[count > 0 ? count : 1]);
  bump.width = width;
  bump.height = height;
  bump.bias = 32;
  bump.scale = 128;
  if (!bump.data) {
    bump.width = bump.height = 0;
    bump.failure = zub::failure(1, "Error: mem make_bumpmap\n");
    return bump;
  }
  for (int64_t i = 0; i < count; ++i) {
    uint32_t p = pixels[i];
    int a = (int)(((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3;
    bump.data[i] = (int8_t)(uint8_t)(a - 127);
  }
  return bump;
}
