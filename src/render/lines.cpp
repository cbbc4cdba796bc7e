// Anti-aliased lines: a two-pixel plot and a line drawer that blend a colour over the picture.
// The last column and row are never written, so the second pixel of a pair is always inside.
#include <cmath>

#include "image/bitmap.h"

namespace {

// Per channel ((P x (255 - w)) >> 8) + ((Q x w) >> 8); weight 0 still darkens by 1/256.
inline uint32_t blendWeighted(uint32_t p, uint32_t q, uint32_t w) {
  uint32_t v = 255 - w;
  uint32_t rb = ((((p & 0xFF00FF) * v) >> 8) & 0xFF00FF) + ((((q & 0xFF00FF) * w) >> 8) & 0xFF00FF);
  uint32_t g = ((((p & 0x00FF00) * v) >> 8) & 0x00FF00) + ((((q & 0x00FF00) * w) >> 8) & 0x00FF00);
  return rb | g;
}

// A float coordinate truncates to an integer inside 0 .. limit-1 exactly when it lies in
// (-1, limit); testing the float first keeps far-off or non-finite values out of the conversion.
// A picture one pixel wide or tall has no such integer at all (limit 0): (-1, 0) would pass.
inline bool truncatesInside(float v, int limit) { return limit > 0 && v > -1.0f && v < (float)limit; }

// Loop bound for the straight lines: trunc(v) where that matters, clamped just outside
// -1 .. limit otherwise, so the visited pixels are the same and the conversion always defined.
inline int clampedTrunc(float v, int limit) {
  if (!(v > -2.0f)) return -2;
  if (!(v < (float)limit + 1.0f)) return limit + 1;
  return (int)v;
}

// Weight of the far pixel of a pair, trunc(f x 255), and of the near one, trunc((1 - f) x 255),
// evaluated in double so that 1 - f is not rounded first.
inline uint32_t farWeight(float f) { return (uint32_t)(int)(f * 255.0); }
inline uint32_t nearWeight(float f) { return (uint32_t)(int)((1.0 - f) * 255.0); }

// Beyond 2^24 adding 1 to a float no longer moves it: a walk that starts there never ends.
constexpr float kWalkLimit = 16777216.0f;

} // namespace

void Bitmap::plotPixelAA(float x, float y, uint32_t colour) {
  if (!truncatesInside(x, width - 1) || !truncatesInside(y, height - 1)) return;
  int xi = (int)x, yi = (int)y;
  float f = y - std::floor(y);
  uint32_t* p = pixels + (int64_t)yi * width + xi;
  p[0] = blendWeighted(p[0], colour, nearWeight(f));
  p[width] = blendWeighted(p[width], colour, farWeight(f));
}

void Bitmap::drawLineAA(float x0, float y0, float x1, float y1, uint32_t colour) {
  float dx = x1 - x0, dy = y1 - y0;
  if (std::isnan(dx) || std::isnan(dy)) return;
  if (dx == 0.0f) {
    if (!truncatesInside(x0, width - 1)) return;
    int xi = (int)x0;
    int from = clampedTrunc(std::fmin(y0, y1), height), to = clampedTrunc(std::fmax(y0, y1), height);
    for (int yi = from < 0 ? 0 : from; yi < to && yi < height - 1; ++yi) {
      uint32_t* p = pixels + (int64_t)yi * width + xi;
      p[0] = blendWeighted(p[0], colour, 255);
      p[1] = blendWeighted(p[1], colour, 0);
    }
    return;
  }
  if (dy == 0.0f) {
    if (!truncatesInside(y0, height - 1)) return;
    int yi = (int)y0;
    int from = clampedTrunc(std::fmin(x0, x1), width), to = clampedTrunc(std::fmax(x0, x1), width);
    for (int xi = from < 0 ? 0 : from; xi < to && xi < width - 1; ++xi) {
      uint32_t* p = pixels + (int64_t)yi * width + xi;
      p[0] = blendWeighted(p[0], colour, 255);
      p[width] = blendWeighted(p[width], colour, 0);
    }
    return;
  }
  float k = dy / dx;
  float stepX = std::fabs(dx) / std::fabs(dy), stepY = std::fabs(dy) / std::fabs(dx);
  if (x1 <= x0) stepX = -stepX;
  if (y1 <= y0) stepY = -stepY;
  if (k <= -1.0f || k >= 1.0f) {
    // One row per step towards y1, end point included; once past the picture no later step can
    // land inside, so the walk stops there.
    if (!(std::fabs(y0) < kWalkLimit)) return;
    bool down = y1 <= y0;
    float x = x0, y = y0;
    while (down ? y >= y1 : y <= y1) {
      if (down ? y <= -1.0f : y >= (float)(height - 1)) break;
      if (truncatesInside(x, width - 1) && truncatesInside(y, height - 1)) {
        int xi = (int)x, yi = (int)y;
        float f = x - std::floor(x);
        uint32_t* p = pixels + (int64_t)yi * width + xi;
        p[0] = blendWeighted(p[0], colour, nearWeight(f));
        p[1] = blendWeighted(p[1], colour, farWeight(f));
      }
      y += down ? -1.0f : 1.0f;
      x += stepX;
    }
    return;
  }
  if (!(std::fabs(x0) < kWalkLimit)) return;
  bool left = !(x0 < x1);
  float x = x0, y = y0;
  while (left ? x >= x1 : x <= x1) {
    if (left ? x <= -1.0f : x >= (float)(width - 1)) break;
    plotPixelAA(x, y, colour);
    x += left ? -1.0f : 1.0f;
    y += stepY;
  }
}
