// Size and aliasing guards shared by the effects: whether a picture of a given size fits a pixel
// array, computed without a product that could overflow, and whether two operands share pixels.
#pragma once
#include <cstdint>

#include "image/blit_clip.h"

// True when w x h pixels fit in capacityBytes (false for a negative size). Divides instead of
// multiplying, so a rectangle of 2^31 x 2^31 is refused rather than wrapping to a small number.
inline bool fitsPixels(int64_t w, int64_t h, int64_t capacityBytes) {
  if (w < 0 || h < 0 || capacityBytes < 0) return false;
  if (w == 0 || h == 0) return true;
  return w <= capacityBytes / 4 / h;
}

// A resampling or distortion reads one picture while it writes (or resizes) the other; when both
// are the same memory the result is undefined, so such calls do nothing.
inline bool aliased(const Bitmap* a, const Bitmap* b) { return a == b || sharePixels(a, b); }
