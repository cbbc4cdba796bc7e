// Neighbourhood filters: the three decaying blurs (smoke, glow and flame trails when fed back frame
// after frame) and the edge detector. The blurs work in place and read some neighbours this pass has
// already rewritten; that order is part of their look and must not be "fixed" with a second buffer.
#include <cstring>

#include "effects/effect_kernels.h"
#include "effects/pixel_room.h"
#include "image/bitmap.h"

namespace {

constexpr uint32_t kRB = 0x00FF00FF, kG = 0x0000FF00;

// Per channel: the sum of four 8-bit values, a quarter of it, one step darker unless that is 0.
// Red and blue share one word (10-bit lanes cannot collide), green has its own; adding 0x3FC to
// a lane carries out of it exactly when the sum is 4 or more, i.e. when the quarter is not 0.
// The in-place passes are bound by how fast one result feeds the next, so a result stays split
// into those two words while it is carried to its right-hand neighbour.
struct Split {
  uint32_t rb, g;
};
inline Split split(uint32_t p) { return {p & kRB, p & kG}; }
inline Split sums(uint32_t a, uint32_t b, uint32_t c) {
  return {(a & kRB) + (b & kRB) + (c & kRB), (a & kG) + (b & kG) + (c & kG)};
}
inline Split decayed(Split three, Split fourth) {
  uint32_t rb = three.rb + fourth.rb, g = three.g + fourth.g;
  return {((rb >> 2) & kRB) - (((rb + 0x03FC03FC) >> 10) & 0x00010001),
          ((g >> 2) & kG) - (((g + 0x0003FC00) >> 10) & 0x00000100)};
}
inline Split operator+(Split a, Split b) { return {a.rb + b.rb, a.g + b.g}; }

// The one-pixel border, cleared after every pass whatever the size.
void clearBorder(Bitmap& bm) {
  const int w = bm.width, h = bm.height;
  if (w <= 0 || h <= 0) return;
  uint32_t* px = bm.pixels;
  memset(px, 0, (size_t)w * 4);
  memset(px + (int64_t)(h - 1) * w, 0, (size_t)w * 4);
  for (int y = 0; y < h; ++y) px[(int64_t)y * w] = px[(int64_t)y * w + w - 1] = 0;
}

} // namespace

// Inner pixels are rows 1..height-2, columns 1..width-2, in array order. The pixel just written
// is carried in a register as the next pixel's left neighbour.
void Bitmap::blur_cross() {
  const int64_t w = width;
  if (height > 2 && width > 2) {
    for (int y = 1; y < height - 1; ++y) {
      uint32_t* p = pixels + y * w;
      Split left = split(p[0]);
      for (int64_t x = 1; x < w - 1; ++x) {
        left = decayed(sums(p[x + 1], p[x + w], p[x - w]), left);
        p[x] = left.rb | left.g;
      }
    }
  }
  clearBorder(*this);
}

// Reads the row below only, which this pass has not reached yet.
void Bitmap::fire() {
  const int64_t w = width;
  if (height > 2 && width > 2) {
    for (int y = 1; y < height - 1; ++y) {
      uint32_t* p = pixels + y * w;
      for (int64_t x = 1; x < w - 1; ++x) {
        Split out = decayed(sums(p[x], p[x + w - 1], p[x + w]), split(p[x + w + 1]));
        p[x] = out.rb | out.g;
      }
    }
  }
  clearBorder(*this);
}

namespace {

// Rows y to y + Rows - 1 side by side: a row reads none of the pixels another row writes (its ends
// are border pixels, which the pass leaves alone), so several chains of results run at once.
template <int Rows>
inline void blurRowsHorizontally(uint32_t* first, int64_t w) {
  uint32_t* p[Rows];
  Split left2[Rows], left1[Rows];
  for (int r = 0; r < Rows; ++r) {
    p[r] = first + r * w;
    left2[r] = split(p[r][-1]);
    left1[r] = split(p[r][0]);
  }
  for (int64_t x = 1; x < w - 1; ++x) {
    for (int r = 0; r < Rows; ++r) {
      Split out = decayed(sums(p[r][x + 2], p[r][x + 1], 0) + left2[r], left1[r]);
      p[r][x] = out.rb | out.g;
      left2[r] = left1[r];
      left1[r] = out;
    }
  }
}

} // namespace

// Two to each side by array index: at the row ends that is the old border pixel of the row above
// or the first pixel of the row below.
void Bitmap::blur_horizontal() {
  const int64_t w = width;
  if (height > 2 && width > 2) {
    int y = 1;
    for (; y + 2 <= height - 1; y += 2) blurRowsHorizontally<2>(pixels + y * w, w);
    for (; y < height - 1; ++y) blurRowsHorizontally<1>(pixels + y * w, w);
  }
  clearBorder(*this);
}

void Bitmap::edges(float gain, const EffectScratch& scratch) {
  Bitmap* out = scratch.a;
  const int64_t count = (int64_t)width * height;
  // The edge image lives in scratch.a; a picture it cannot hold is left alone.
  if (width <= 0 || height <= 0 || aliased(this, out) || !fitsPixels(width, height, out->capacity)) return;
  out->width = width;
  out->height = height;
  const int64_t w = width;
  // Cleared before the pass, so row 1 sees a black row above it.
  memset(pixels, 0, (size_t)w * 4);
  const uint32_t* src = pixels;
  uint32_t* dst = out->pixels;
  bestEffectKernels().edgePixels(src, dst, w, count, w, gain);
  memset(dst, 0, (size_t)w * 4);
  out->blit(this, 0, 0);
}
