// The clipping rule shared by the blit family: with a w x h source placed at (x, y) in a W x H
// destination, destination columns max(x,0)..min(x+w,W)-1 and rows max(y,0)..min(y+h,H)-1 are
// visited, each paired with the source pixel at (column - x, row - y).
#pragma once
#include "image/bitmap.h"

struct BlitSpan {
  uint32_t* src;   // first source pixel visited
  uint32_t* dst;   // first destination pixel visited
  int cols, rows;  // size of the visited rectangle
  int srcSkip;     // source width minus cols
  int dstSkip;     // destination width minus cols
};

// True when the two pictures' pixel arrays overlap (the same picture, or one borrowing the other's
// memory): a copy between them must go pixel by pixel in the defined order.
inline bool sharePixels(const Bitmap* a, const Bitmap* b) {
  uintptr_t a0 = (uintptr_t)a->pixels, a1 = a0 + (uintptr_t)a->width * (uintptr_t)a->height * 4;
  uintptr_t b0 = (uintptr_t)b->pixels, b1 = b0 + (uintptr_t)b->width * (uintptr_t)b->height * 4;
  return a0 < b1 && b0 < a1;
}

// False when nothing is visited.
inline bool clipBlit(const Bitmap* src, const Bitmap* dst, int x, int y, BlitSpan& span) {
  int64_t left = x < 0 ? 0 : x, top = y < 0 ? 0 : y;
  int64_t right = (int64_t)x + src->width < dst->width ? (int64_t)x + src->width : dst->width;
  int64_t bottom = (int64_t)y + src->height < dst->height ? (int64_t)y + src->height : dst->height;
  if (left >= right || top >= bottom) return false;
  span.cols = (int)(right - left);
  span.rows = (int)(bottom - top);
  span.src = src->pixels + (top - y) * (int64_t)src->width + (left - x);
  span.dst = dst->pixels + top * (int64_t)dst->width + left;
  span.srcSkip = src->width - span.cols;
  span.dstSkip = dst->width - span.cols;
  return true;
}
