// Nearest-neighbour resampling and the zooms built on it: inset zoom, feedback zoom blur,
// picture-in-picture of a marked rectangle, a window growing to the whole picture, and tiling.
// Intermediates live in the two scratch pictures the caller lends; nothing is allocated here.
#include <cmath>
#include <cstring>

#include "effects/pixel_room.h"
#include "image/bitmap.h"

namespace {

// Longest side a resample may have. Below 2^24 a float size rounds by less than one pixel, so
// the last running sum still truncates to a pixel inside the source.
constexpr float kMaxSide = 16777216.0f;

// Gives b the size w x h when its pixel array can hold that many pixels.
bool fitSize(Bitmap* b, int64_t w, int64_t h) {
  if (!fitsPixels(w, h, b->capacity)) return false;
  b->width = (int32_t)w;
  b->height = (int32_t)h;
  return true;
}

// Float to int toward zero, far-off and non-finite values pinned well outside any picture.
inline int truncPinned(float v) {
  if (!(v > -1e9f)) return -1000000000;
  if (!(v < 1e9f)) return 1000000000;
  return (int)v;
}

// Fills dst (at its current size) from src. The sample position is a running sum of the 32-bit
// step added in double precision, never a product: truncating the sum decides which pixels repeat.
// The column sum is the same for every row, so it is worked out once per band of columns and the
// rows only look their columns up.
void resampleFill(const Bitmap& src, Bitmap& dst, double x0, double y0, float stepX, float stepY) {
  constexpr int kBand = 1024;
  int32_t columns[kBand];
  const int w = dst.width, h = dst.height;
  double sx = x0;
  for (int bandStart = 0; bandStart < w; bandStart += kBand) {
    const int bandWidth = w - bandStart < kBand ? w - bandStart : kBand;
    for (int x = 0; x < bandWidth; ++x, sx += stepX) columns[x] = (int)sx;
    uint32_t* out = dst.pixels + bandStart;
    double sy = y0;
    int previousRow = 0;
    for (int y = 0; y < h; ++y, sy += stepY, out += w) {
      const int sourceRow = (int)sy;
      // An enlargement repeats rows: a repeated one is the row just made.
      if (y > 0 && sourceRow == previousRow) {
        memcpy(out, out - w, (size_t)bandWidth * 4);
        continue;
      }
      previousRow = sourceRow;
      const uint32_t* row = src.pixels + (int64_t)sourceRow * src.width;
      for (int x = 0; x < bandWidth; ++x) out[x] = row[columns[x]];
    }
  }
}

// dst (at its current size) = the same-sized window of src whose top-left is (ox, oy); window
// pixels outside src are black, so a rectangle reaching past the picture reads nothing foreign.
void copyWindow(const Bitmap& src, Bitmap& dst, int64_t ox, int64_t oy) {
  const int64_t w = dst.width, h = dst.height;
  const int64_t from = ox < 0 ? -ox : 0;
  const int64_t to = ox + w > src.width ? (int64_t)src.width - ox : w;
  for (int64_t i = 0; i < h; ++i) {
    uint32_t* out = dst.pixels + i * w;
    const int64_t sy = oy + i;
    if (sy < 0 || sy >= src.height || from >= to) {
      for (int64_t j = 0; j < w; ++j) out[j] = 0;
      continue;
    }
    const uint32_t* in = src.pixels + sy * src.width + ox;
    for (int64_t j = 0; j < from; ++j) out[j] = 0;
    for (int64_t j = from; j < to; ++j) out[j] = in[j];
    for (int64_t j = to; j < w; ++j) out[j] = 0;
  }
}

// zoom_crop. dst takes the picture's size first, even an empty one. Margins from 0 to just under
// the size keep every sample inside the picture (past half the size the view is mirrored); other
// margins would read outside it and leave dst's pixels alone.
bool cropZoom(const Bitmap& src, Bitmap* dst, int mx, int my) {
  const int w = src.width, h = src.height;
  if (aliased(&src, dst) || !fitSize(dst, w, h)) return false;
  if (mx < 0 || my < 0 || mx >= w || my >= h) return false;
  float stepX = (float)(w - 2 * mx) / (float)w, stepY = (float)(h - 2 * my) / (float)h;
  resampleFill(src, *dst, mx, my, stepX, stepY);
  return true;
}

// Triangle wave: 0 -> 1 -> 0 as v grows by 2.
inline float triangle(float v) {
  float u = v - 2.0f * std::trunc(v / 2.0f);
  return u > 1.0f ? 2.0f - u : u;
}

// Odd number of tiles across that covers the destination.
inline int64_t tileCount(int dstSize, int tileSize) {
  int64_t n = (int64_t)((float)dstSize / (float)tileSize);
  if (n % 2 == 0) ++n;
  if ((int64_t)tileSize * n < dstSize) n += 2;
  return n;
}

} // namespace

void Bitmap::scale_percent(Bitmap* dst, float px, float py) {
  if (!(px >= 1.0f) || !(py >= 1.0f) || aliased(this, dst)) return;
  float stepX = (float)(100.0 / px), stepY = (float)(100.0 / py);
  float cols = (float)width / stepX, rows = (float)height / stepY;
  if (!(cols < kMaxSide) || !(rows < kMaxSide)) return;
  if (!fitSize(dst, (int64_t)cols, (int64_t)rows)) return;
  resampleFill(*this, *dst, 0.0, 0.0, stepX, stepY);
}

void Bitmap::scale_to(Bitmap* dst, int newW, int newH) {
  // An empty source has nothing to sample.
  if (newW < 1 || newH < 1 || newW >= kMaxSide || newH >= kMaxSide || width < 1 || height < 1) return;
  if (aliased(this, dst)) return;
  float stepX = (float)width / (float)newW, stepY = (float)height / (float)newH;
  if (!fitSize(dst, newW, newH)) return;
  resampleFill(*this, *dst, 0.0, 0.0, stepX, stepY);
}

void Bitmap::zoom_crop(Bitmap* dst, int mx, int my) { cropZoom(*this, dst, mx, my); }

void Bitmap::zoom_feedback(int k, const EffectScratch& scratch) {
  Bitmap* zoomed = scratch.a;
  if (k < 1 || aliased(this, zoomed)) return;
  if (cropZoom(*this, zoomed, k, k)) zoomed->blit_half(this, 0, 0);
}

void Bitmap::zoom_marked(Bitmap* dst, int rx, int ry, int rw, int rh, float t, uint32_t colour,
                         const EffectScratch& scratch) {
  Bitmap* framed = scratch.a;
  Bitmap* marked = scratch.b;
  // The scratch images are overwritten here, so neither may be the picture or dst.
  if (aliased(this, framed) || aliased(this, marked) || aliased(dst, framed) || aliased(dst, marked)) return;
  if (rw < 1 || rh < 1 || !fitSize(marked, rw, rh)) return;
  copyWindow(*this, *marked, rx, ry);
  const float w = (float)width, h = (float)height;
  float cx = (float)rw * 0.5f + (float)rx - w * 0.5f, cy = (float)rh * 0.5f + (float)ry - h * 0.5f;
  float gx = w * 0.5f + (cx - cx * t), gy = h * 0.5f + (cy - cy * t);
  float fx = 1.0f + t * (w / (float)rw - 1.0f), fy = 1.0f + t * (h / (float)rh - 1.0f);
  dst->drawLineAA(0.0f, gy, (float)(dst->width - 1), gy, colour);
  dst->drawLineAA(gx, 0.0f, gx, (float)(dst->height - 1), colour);
  // The float steps can leave the copy a row or column short of the picture at t = 1.
  marked->scale_percent(framed, fx * 100.0f, fy * 100.0f);
  framed->draw_border(colour);
  framed->blit(dst, truncPinned(gx - (float)(framed->width / 2)), truncPinned(gy - (float)(framed->height / 2)));
}

void Bitmap::zoom_window(Bitmap* dst, int rx, int ry, int rw, int rh, float t, const EffectScratch& scratch) {
  Bitmap* scaled = scratch.a;
  Bitmap* window = scratch.b;
  if (aliased(this, scaled) || aliased(this, window) || aliased(dst, scaled) || aliased(dst, window)) return;
  if (rw < 1 || rh < 1) return;
  const float w = (float)width, h = (float)height;
  float fx = 1.0f + t * (w / (float)rw - 1.0f), fy = 1.0f + t * (h / (float)rh - 1.0f);
  float windowW = (float)rw * fx, windowH = (float)rh * fy;
  // Both scratch images must hold their part (the window, and the picture at dst's size).
  if (!(windowW >= 1.0f && windowW < 2147483648.0f && windowH >= 1.0f && windowH < 2147483648.0f)) return;
  if (!fitsPixels(dst->width, dst->height, scaled->capacity)) return;
  if (!fitSize(window, (int64_t)windowW, (int64_t)windowH)) return;
  float ox = (float)rx - (float)rx * t, oy = (float)ry - (float)ry * t;
  if (ox < 0.0f) ox = 0.0f;
  if (oy < 0.0f) oy = 0.0f;
  copyWindow(*this, *window, truncPinned(ox), truncPinned(oy));
  window->scale_to(scaled, dst->width, dst->height);
  scaled->blit(dst, 0, 0);
}

void Bitmap::tile(Bitmap* dst, float a, float b, const EffectScratch& scratch) {
  Bitmap* sheet = scratch.a;
  Bitmap* piece = scratch.b;
  if (aliased(this, sheet) || aliased(this, piece) || aliased(dst, sheet) || aliased(dst, piece)) return;
  // Below 1 % nothing is resampled and the previous piece is tiled again.
  scale_percent(piece, triangle(a) * 100.0f, triangle(b) * 100.0f);
  if (piece->width < 1 || piece->height < 1) return;
  const int64_t nx = tileCount(dst->width, piece->width), ny = tileCount(dst->height, piece->height);
  if (!fitSize(sheet, piece->width * nx, piece->height * ny)) return;
  // One row of tiles, then each later row of the sheet is the row a piece's height above it: the
  // same pixels as a blit per tile, without thousands of blits when the piece is a few pixels.
  for (int64_t j = 0; j < nx; ++j) piece->blit(sheet, (int)(j * piece->width), 0);
  const size_t rowBytes = (size_t)sheet->width * 4;
  for (int y = piece->height; y < sheet->height; ++y)
    memcpy(sheet->pixels + (size_t)y * sheet->width, sheet->pixels + (size_t)(y - piece->height) * sheet->width, rowBytes);
  sheet->blit_centered(dst);
}
