// Distortions that move pixels without changing them: a mirrored horizontal sine wave, a
// cosine-driven vertical squeeze, rotation, swirl, and rows sliding in by their own random
// distance. Angles are whole degrees looked up in the fixed sine and cosine tables.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/random.h"
#include "core/trig_tables.h"
#include "effects/pixel_room.h"
#include "image/bitmap.h"

// Only the values kept as 32-bit floats (k, step, the swirl factor) are rounded to float; the
// expressions around them run in double. That decides where a truncation lands when a table
// value is only nearly 0 or 1 (cos 90 is 6e-17), so it must stay this way.

namespace {

// Truncation toward zero with far-off values pinned where they can select nothing.
inline int64_t truncPinned(double v) {
  if (!(v > -1e15)) return -1000000000000000;
  if (!(v < 1e15)) return 1000000000000000;
  return (int64_t)v;
}

// rotate and swirl write dst sequentially with the source's width; never past dst's own pixels.
inline int64_t sequentialLimit(const Bitmap& src, const Bitmap& dst) {
  int64_t n = (int64_t)src.width * src.height, room = (int64_t)dst.width * dst.height;
  return n < room ? n : room;
}

inline uint32_t sampleOrBlack(const Bitmap& src, int64_t sx, int64_t sy) {
  return (uint64_t)sx < (uint64_t)src.width && (uint64_t)sy < (uint64_t)src.height ? src.pixels[sy * src.width + sx]
                                                                                    : 0u;
}

} // namespace

void Bitmap::wave_horizontal(Bitmap* dst, float freq, float amp, float phase) {
  if (width < 1 || height < 1 || aliased(this, dst)) return;
  const int64_t w = width;
  const float k = (float)(360.0 / height);
  // Each row's offset is needed only for that row, so any destination height works; rows past
  // the source have no source row and are left alone.
  const int rows = dst->height < height ? dst->height : height;
  for (int y = 0; y < rows; ++y) {
    const int64_t off = truncPinned(sinDegrees[degreeIndex((double)y * k * freq + phase)] * (double)w * amp);
    const uint32_t* in = pixels + y * w;
    uint32_t* out = dst->pixels + (int64_t)y * dst->width;
    for (int64_t x = 0; x < dst->width; ++x) {
      // One mirror step at either edge; whatever is still outside keeps its old value.
      int64_t sx = off + x;
      if (sx < 0) sx = -sx;
      if (sx >= w) sx = 2 * w - sx - 1;
      if (sx >= 0 && sx < w) out[x] = in[sx];
    }
  }
}

void Bitmap::wave_vertical(float freq, float amp, float phase, const EffectScratch& scratch) {
  Bitmap* out = scratch.a;
  const int64_t w = width;
  if (width < 1 || height < 1 || aliased(this, out) || !fitsPixels(w, height, out->capacity)) return;
  out->width = width;
  out->height = height;
  const float step = (float)((double)freq * 360.0 / height);
  double p = degreeIndex((double)phase), s = 0.0;
  for (int y = 0; y < height; ++y, p += step) {
    double d = ((double)cosDegrees[degreeIndex(p)] + 1.0) * 0.5 * amp;
    s = s + d + 1.0;
    uint32_t* row = out->pixels + y * w;
    // Past the last source row is black, and so is anything a negative amount pulls above row 0.
    if (s > height - 1 || !(s > -1.0)) memset(row, 0, (size_t)w * 4);
    else memcpy(row, pixels + (int64_t)s * w, (size_t)w * 4);
  }
  out->blit(this, 0, 0);
}

void Bitmap::rotate(Bitmap* dst, int angle) {
  const int hw = width / 2, hh = height / 2;
  if (hw < 1 || hh < 1 || aliased(this, dst)) return;
  const int a = degreeIndex(angle);
  const double c = cosDegrees[a], s = sinDegrees[a];
  const int64_t limit = sequentialLimit(*this, *dst);
  uint32_t* out = dst->pixels;
  int64_t n = 0;
  for (int y = -hh; y < hh + height % 2 && n < limit; ++y) {
    const double ys = y * s, yc = y * c;
    const int xEnd = (int)(-hw + (limit - n < width ? limit - n : width));
    for (int x = -hw; x < xEnd; ++x)
      out[n++] = sampleOrBlack(*this, (int64_t)(x * c - ys) + hw, (int64_t)(x * s + yc) + hh);
  }
}

void Bitmap::swirl(Bitmap* dst, int amount) {
  const int hw = width / 2, hh = height / 2;
  if (hw < 1 || hh < 1 || aliased(this, dst)) return;
  const double diagonal = std::sqrt((double)width * width + (double)height * height);
  const float k = (float)(2.0 * M_PI * degreeIndex(amount) / diagonal);
  const int64_t limit = sequentialLimit(*this, *dst);
  uint32_t* out = dst->pixels;
  int64_t n = 0;
  for (int y = -hh; y < hh + height % 2 && n < limit; ++y) {
    const int xEnd = (int)(-hw + (limit - n < width ? limit - n : width));
    for (int x = -hw; x < xEnd; ++x) {
      // r * k stays below 360 * pi, so the truncation is in range.
      const int i = degreeIndex((int)(std::sqrt((double)x * x + (double)y * y) * k));
      const double c = cosDegrees[i], s = sinDegrees[i];
      out[n++] = sampleOrBlack(*this, (int64_t)(x * c - y * s) + hw, (int64_t)(x * s + y * c) + hh);
    }
  }
}

zub::Failure Bitmap::reserveLineScroll() {
  if (rowOffsets) return {};
  // Only running out of memory for one number per row can stop it.
  rowOffsets.reset(new (std::nothrow) int32_t[height > 0 ? height : 1]);
  if (!rowOffsets) return zub::failure(1, "Error: horizlinescroll\n");
  rowOffsetCount = height > 0 ? height : 0;
  return {};
}

zub::Failure Bitmap::horizlinescroll(Bitmap* dst, float t) {
  // Offsets are drawn modulo the width: a picture without columns has nothing to scroll.
  if (width < 1 || aliased(this, dst)) return {};
  if (!rowOffsetsDrawn) {
    // The table holds the height at this first call, also when it was reserved at another height.
    if (rowOffsets && rowOffsetCount != (height > 0 ? height : 0)) {
      rowOffsets.reset();
    }
    if (zub::Failure failed = reserveLineScroll()) return failed;
    for (int y = 0; y < rowOffsetCount; ++y) rowOffsets[y] = zub::demoRand() % width;
    rowOffsetsDrawn = true;
    return {};
  }
  const int64_t w = width;
  const int64_t room = (int64_t)dst->width * dst->height;
  // The table was made for the height at the first call; rows added since have no offset and
  // are left alone.
  int rows = dst->height < height ? dst->height : height;
  if (rows > rowOffsetCount) rows = rowOffsetCount;
  for (int y = 0; y < rows; ++y) {
    const double d = rowOffsets[y] - 2 * w;
    const double start = d - d * t;
    // A row starting a whole width or more to either side shows nothing.
    if (!(start > (double)-w && start < (double)w)) continue;
    const int64_t shift = (int64_t)start;
    const int64_t base = y * w;
    // Rows are addressed with the source width; nothing goes past dst's own pixels.
    int64_t end = shift + w < w ? shift + w : w;
    if (end > room - base) end = room - base;
    for (int64_t xd = shift > 0 ? shift : 0; xd < end; ++xd) dst->pixels[base + xd] = pixels[base + xd - shift];
  }
  return {};
}
