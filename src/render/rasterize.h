// The scanline rasterizers: each fills one convex screen polygon into a bitmap, z-buffered against
// the object's depth buffer, through a per-scanline edge table walked in 16.16 fixed point.
#pragma once
#include <cstddef>
#include <cstdint>

class Bitmap;
class Object3D;
struct BumpMap;

struct ScanVertex {
  float x = 0, y = 0;   // screen pixels
  float z = 0;          // view depth
  float u = 0, v = 0;   // texture coordinates in texels
  float shade = 0;      // shade-table index in degrees, 0..89
};

struct ScanPolygon {
  int count = 0;          // vertices n, 1 to 4
  ScanVertex verts[5];    // n vertices in face order, then vertex 0 again
  uint32_t colour = 0;    // 0xRRGGBB for the untextured fill
};

// Rows the edge table holds; a taller target draws nothing.
constexpr int kMaxScanlines = 1280;
// The edge table's size in 32-bit words: per row, the two ends' x and depth and four attributes each.
constexpr size_t edgeTableSize = kMaxScanlines * (4 + 2 * 4);

// Depths must fit the 16 integer bits of the 16.16 stepping.
constexpr float kMaxDepth = 32768.0f;

// The rasterizers' edge table lives on between polygons, and a span ending past the target's last
// column reads the entry an earlier polygon left there; a timeline that returns to a moment keeps a
// copy of it and puts it back, so that its frames come out as they did.
void saveEdgeTable(uint32_t* into);
void restoreEdgeTable(const uint32_t* from);
// Back to the table of a fresh process, for a timeline that starts from its first frame.
void clearEdgeTable();
// While set, the fills walk their polygons' edges into the table and draw nothing: a frame nobody
// sees leaves the table as drawing it would have.
void setEdgesOnly(bool on);

void fillShaded(Bitmap* target, const ScanPolygon& polygon, const Object3D& object);
void fillTexturedLit(Bitmap* target, const Bitmap* texture, const ScanPolygon& polygon, const Object3D& object);
void fillBumpLit(Bitmap* target, const Bitmap* texture, const BumpMap* bumpMap, const ScanPolygon& polygon,
                 const Object3D& object);
