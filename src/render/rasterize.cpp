// Scanline rasterizers. One edge table per target row, filled by walking each polygon edge in
// 16.16 fixed point; then one span per row from xl to xr - 1 with a strict depth test. The
// members differ only in the float attributes they carry and in how a pixel's colour is made.
#include "render/rasterize.h"

#include <cmath>
#include <cstring>

#include "image/bitmap.h"
#include "objects/object3d.h"

namespace {

// Up to four float attributes per edge end: shade alone, or 1/z, u/z, v/z and shade.
constexpr int kMaxAttrs = 4;

// The edge table, reused for every polygon. 16.16 values are held in 64 bits so that a step times
// a row count never overflows; wherever the 32-bit arithmetic did not overflow the results agree.
struct EdgeTable {
  int32_t left[kMaxScanlines], right[kMaxScanlines];
  int32_t leftDepth[kMaxScanlines], rightDepth[kMaxScanlines];
  float leftAttr[kMaxScanlines][kMaxAttrs], rightAttr[kMaxScanlines][kMaxAttrs];
};
EdgeTable table;
bool edgesOnly = false;

constexpr int64_t kOne = 65536; // 1.0 in 16.16; multiplying avoids left shifts of negative values

// Truncation toward zero that stays defined for any float: far values are held at +-1e9, NaN is 0.
inline int32_t truncate(float f) {
  if (f > -1e9f && f < 1e9f) return (int32_t)f;
  return f > 0 ? 1000000000 : f < 0 ? -1000000000 : 0;
}

inline int32_t clampInt(int32_t i, int32_t lo, int32_t hi) { return i < lo ? lo : i > hi ? hi : i; }

// Remainder in 0..n-1 whatever the sign of i. Texture coordinates are nearly always inside
// already, and then no division is needed.
inline int32_t wrap(int32_t i, int32_t n) {
  if ((uint32_t)i < (uint32_t)n) return i;
  int32_t r = i % n;
  return r < 0 ? r + n : r;
}

// a / b truncated toward zero, as int64_t division gives it; the 32-bit division is much
// quicker and gives the same quotient whenever a fits in it.
inline int64_t divide(int64_t a, int32_t b) {
  if (a > INT32_MIN && a <= INT32_MAX) return (int32_t)a / b;
  return a / b;
}

inline uint32_t lit(uint32_t colour, int32_t shade, const Object3D& object) {
  int32_t m = object.diffuseMul[shade], a = object.specularAdd[shade];
  int32_t r = (((int32_t)(colour >> 16 & 0xFF) * m) >> 8) + a;
  int32_t g = (((int32_t)(colour >> 8 & 0xFF) * m) >> 8) + a;
  int32_t b = (((int32_t)(colour & 0xFF) * m) >> 8) + a;
  if (r > 255) r = 255;
  if (g > 255) g = 255;
  if (b > 255) b = 255;
  return (uint32_t)r << 16 | (uint32_t)g << 8 | (uint32_t)b;
}

// A polygon the 16.16 walk can represent: finite corners, screen coordinates within reach and
// depths inside the 16 integer bits.
bool drawable(const Bitmap* target, const ScanPolygon& polygon, const RenderSpace& space) {
  if (!target || !target->pixels || target->width <= 0 || target->height <= 0) return false;
  if (target->height > kMaxScanlines) return false;
  if ((int64_t)target->width * target->height > (int64_t)space.width * space.height) return false;
  if (polygon.count < 1 || polygon.count > 4) return false;
  for (int k = 0; k <= polygon.count; ++k) {
    const ScanVertex& p = polygon.verts[k];
    if (!(p.x > -1e6f && p.x < 1e6f && p.y > -1e6f && p.y < 1e6f)) return false;
    if (!(p.z > -kMaxDepth && p.z < kMaxDepth)) return false;
  }
  return true;
}

struct EdgeEnd {
  int32_t x, y, depth;
  float attr[kMaxAttrs];
};

template <int Attrs>
EdgeEnd edgeEnd(const ScanVertex& p) {
  EdgeEnd e{(int32_t)p.x, (int32_t)p.y, (int32_t)p.z, {}};
  if constexpr (Attrs == 1) {
    e.attr[0] = p.shade;
  } else {
    float z = p.z < 1.0f ? 1.0f : p.z;
    e.attr[0] = 1 / z;
    e.attr[1] = p.u / z;
    e.attr[2] = p.v / z;
    e.attr[3] = p.shade;
  }
  return e;
}

// Fills the edge table; returns the rows to span, clamped to the target.
template <int Attrs>
void buildEdges(const ScanPolygon& polygon, int32_t w, int32_t h, int32_t& minY, int32_t& maxY) {
  minY = 32000;
  maxY = -32000;
  for (int k = 0; k < polygon.count; ++k) {
    int32_t y = (int32_t)polygon.verts[k].y;
    if (y > maxY) maxY = y;
    if (y < minY) minY = y;
  }
  if (maxY > h - 1) maxY = h - 1;
  if (minY < 0) minY = 0;
  // Only the rows spanned below are read, so only they need resetting; rows an edge writes
  // outside them are reset by whichever later polygon reads them. A row's left end starts just
  // past the frame, so that a crossing on its last column is stored with its own depth and
  // attributes, and a row whose crossings all lie past the frame draws nothing, where the span
  // below would draw that column with the values of another polygon.
  for (int32_t y = minY; y <= maxY; ++y) {
    table.left[y] = w;
    table.right[y] = 0;
  }
  for (int k = 0; k < polygon.count; ++k) {
    EdgeEnd a = edgeEnd<Attrs>(polygon.verts[k]);
    EdgeEnd b = edgeEnd<Attrs>(polygon.verts[k + 1]);
    if (b.y < a.y) std::swap(a, b);
    int32_t dy = b.y - a.y;
    int64_t stepX = (int64_t)(b.x - a.x) * kOne, stepD = (int64_t)(b.depth - a.depth) * kOne;
    float step[kMaxAttrs];
    for (int i = 0; i < Attrs; ++i) step[i] = b.attr[i] - a.attr[i];
    if (dy != 0) {
      stepX = divide(stepX, dy);
      stepD = divide(stepD, dy);
      for (int i = 0; i < Attrs; ++i) step[i] = step[i] / (float)dy;
    }
    int64_t x = a.x * kOne, d = a.depth * kOne;
    float attr[kMaxAttrs];
    for (int i = 0; i < Attrs; ++i) attr[i] = a.attr[i];
    int32_t y0 = a.y, y1 = b.y;
    if (y0 < 0) {
      // Start the edge at the top row as if it had been walked there.
      x += stepX * -(int64_t)y0;
      d += stepD * -(int64_t)y0;
      for (int i = 0; i < Attrs; ++i) attr[i] += step[i] * (float)-y0;
      y0 = 0;
    }
    if (y1 > h - 1) y1 = h - 1;
    for (int32_t y = y0; y <= y1; ++y) {
      int32_t px = (int32_t)(x >> 16);
      if (px < table.left[y]) {
        table.left[y] = px;
        table.leftDepth[y] = (int32_t)(d >> 16);
        for (int i = 0; i < Attrs; ++i) table.leftAttr[y][i] = attr[i];
      }
      if (px > table.right[y]) {
        table.right[y] = px;
        table.rightDepth[y] = (int32_t)(d >> 16);
        for (int i = 0; i < Attrs; ++i) table.rightAttr[y][i] = attr[i];
      }
      x += stepX;
      d += stepD;
      for (int i = 0; i < Attrs; ++i) attr[i] += step[i];
    }
  }
}

template <int Attrs, typename Paint>
void fillPolygon(Bitmap* target, const ScanPolygon& polygon, const RenderSpace& space, Paint paint) {
  if (!drawable(target, polygon, space)) return;
  const int32_t w = target->width, h = target->height;
  int32_t minY, maxY;
  buildEdges<Attrs>(polygon, w, h, minY, maxY);
  if (edgesOnly) return;
  uint16_t* zBuffer = space.depths;
  for (int32_t y = minY; y <= maxY; ++y) {
    int32_t xl = table.left[y], xr = table.right[y], span = xr - xl;
    int64_t stepD = (int64_t)(table.rightDepth[y] - table.leftDepth[y]) * kOne;
    float step[kMaxAttrs], attr[kMaxAttrs];
    for (int i = 0; i < Attrs; ++i) {
      step[i] = table.rightAttr[y][i] - table.leftAttr[y][i];
      attr[i] = table.leftAttr[y][i];
    }
    if (span != 0) {
      stepD = divide(stepD, span);
      for (int i = 0; i < Attrs; ++i) step[i] = step[i] / (float)span;
    }
    int64_t d = table.leftDepth[y] * kOne;
    if (xl < 0) {
      d += stepD * -(int64_t)xl;
      for (int i = 0; i < Attrs; ++i) attr[i] += step[i] * (float)-xl;
      xl = 0;
    }
    // xr is one past the last pixel drawn: a span reaching past the frame ends after its last
    // column, which is drawn like any other.
    if (xr > w) xr = w;
    if (xl >= xr) continue;
    uint32_t* row = target->pixels + (int64_t)y * w;
    uint16_t* zRow = zBuffer + (int64_t)y * w;
    // The right end pixel is not drawn, so polygons sharing an edge do not overlap.
    for (int32_t x = xl; x < xr; ++x) {
      int64_t depth = d >> 16;
      if (depth < zRow[x]) {
        zRow[x] = (uint16_t)depth;
        row[x] = paint(attr);
      }
      d += stepD;
      for (int i = 0; i < Attrs; ++i) attr[i] += step[i];
    }
  }
}

// Texel coordinates from the interpolated 1/z, u/z and v/z, divided back for perspective.
inline void textureCoordinates(const float* attr, int32_t& u, int32_t& v) {
  float q = attr[0];
  if (q > 1e-5f) {
    float z = 1 / q;
    u = truncate(z * attr[1]);
    v = truncate(z * attr[2]);
  } else {
    u = truncate(attr[1]);
    v = truncate(attr[2]);
  }
}

// Interpolation can step one unit past the corner values, so reads are held inside the texture.
inline uint32_t texel(const Bitmap* texture, int32_t u, int32_t v) {
  u = clampInt(u, 0, texture->width - 1);
  v = clampInt(v, 0, texture->height - 1);
  return texture->pixels[(int64_t)v * texture->width + u];
}

bool usableTexture(const Bitmap* texture) {
  return texture && texture->pixels && texture->width > 0 && texture->height > 0;
}

} // namespace

static_assert(sizeof(EdgeTable) == edgeTableSize * 4, "the table is whole words, without padding");
void saveEdgeTable(uint32_t* into) { memcpy(into, &table, sizeof table); }
void restoreEdgeTable(const uint32_t* from) { memcpy(&table, from, sizeof table); }
void clearEdgeTable() { table = EdgeTable{}; }
void setEdgesOnly(bool on) { edgesOnly = on; }

void fillShaded(Bitmap* target, const ScanPolygon& polygon, const Object3D& object) {
  uint32_t colour = polygon.colour;
  // The shade moves slowly along a span, so the last pixel's colour is usually this one's too.
  int32_t lastShade = -1;
  uint32_t lastLit = 0;
  fillPolygon<1>(target, polygon, *object.space, [&](const float* attr) {
    int32_t shade = clampInt(truncate(attr[0]), 0, 89);
    if (shade != lastShade) {
      lastShade = shade;
      lastLit = lit(colour, shade, object);
    }
    return lastLit;
  });
}

void fillTexturedLit(Bitmap* target, const Bitmap* texture, const ScanPolygon& polygon, const Object3D& object) {
  if (!usableTexture(texture)) return;
  fillPolygon<4>(target, polygon, *object.space, [&](const float* attr) {
    int32_t u, v;
    textureCoordinates(attr, u, v);
    return lit(texel(texture, u, v), clampInt(truncate(attr[3]), 0, 89), object);
  });
}

void fillBumpLit(Bitmap* target, const Bitmap* texture, const BumpMap* bumpMap, const ScanPolygon& polygon,
                 const Object3D& object) {
  if (!usableTexture(texture)) return;
  if (!bumpMap || !bumpMap->data || bumpMap->width <= 0 || bumpMap->height <= 0) {
    fillTexturedLit(target, texture, polygon, object);
    return;
  }
  fillPolygon<4>(target, polygon, *object.space, [&](const float* attr) {
    int32_t u, v;
    textureCoordinates(attr, u, v);
    int32_t height = bumpMap->data[(int64_t)wrap(v, bumpMap->height) * bumpMap->width + wrap(u, bumpMap->width)];
    int64_t lift = (((int64_t)height + bumpMap->bias) * bumpMap->scale) >> 8;
    int64_t shade = truncate(attr[3]) - lift;
    int32_t s = shade < 0 ? 0 : shade > 89 ? 89 : (int32_t)shade;
    return lit(texel(texture, u, v), s, object);
  });
}
