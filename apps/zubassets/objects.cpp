#include "objects.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "core/fatal.h"
#include "image/bitmap.h"
#include "image/tiny_font.h"
#include "objects/lwo_writer.h"

namespace assets {

namespace {

struct Mesh {
  std::vector<Vec3> points;
  std::vector<std::vector<int>> polygons;
  std::vector<int> surfaces; // per polygon, from 1
  std::vector<std::string> surfaceNames;
  std::vector<uint32_t> surfaceColours;

  int add(Vec3 p) {
    points.push_back(p);
    return (int)points.size() - 1;
  }
  int surface(const std::string& name, uint32_t colour) {
    surfaceNames.push_back(name);
    surfaceColours.push_back(colour);
    return (int)surfaceNames.size();
  }
  // Adds a polygon whose corners turn so that (p1 - p0) x (p2 - p0) points along `outward`.
  void face(std::vector<int> corners, int surfaceNumber, Vec3 outward) {
    const Vec3& a = points[corners[0]];
    const Vec3& b = points[corners[1]];
    const Vec3& c = points[corners[2]];
    float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z, vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
    float nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
    if (nx * outward.x + ny * outward.y + nz * outward.z < 0) std::swap(corners[1], corners[corners.size() - 1]);
    polygons.push_back(corners);
    surfaces.push_back(surfaceNumber);
  }
  std::string bytes() const {
    LwoWriter w;
    w.points(points);
    w.surfaceNames(surfaceNames);
    w.polygons(polygons, surfaces);
    for (size_t i = 0; i < surfaceNames.size(); ++i) w.surface(surfaceNames[i], surfaceColours[i], 0);
    return w.bytes();
  }
};

// Block lettering from our small font, extruded `depth` deep; neighbouring cells share points so
// the lettering bends as one piece when it waves.
Mesh extrudedText(const char* text, float cell, float depth, uint32_t front, uint32_t side) {
  int columns = 0;
  for (const char* p = text; *p; ++p) columns += zub::glyphAdvance;
  Bitmap grid(columns + 2, zub::glyphHeight + 2);
  if (!grid.ok()) zub::fatal(grid.failure);
  zub::drawText(&grid, 1, 1, text, 1);
  auto lit = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < grid.width && y < grid.height && grid.pixels[y * grid.width + x] != 0;
  };
  Mesh m;
  int frontSurface = m.surface("Letters", front);
  int sideSurface = m.surface("Edges", side);
  // Grid corner (x, y) at depth layer l (0 front, 1 back); points are made on first use.
  std::vector<int> corner((size_t)(grid.width + 1) * (grid.height + 1) * 2, -1);
  float x0 = -(grid.width * cell) / 2, y0 = (grid.height * cell) / 2;
  auto at = [&](int x, int y, int l) {
    int& index = corner[((size_t)y * (grid.width + 1) + x) * 2 + l];
    // Rows run down the model y axis: the scenes turn the lettering half a turn about x.
    if (index < 0) index = m.add({x0 + x * cell, y * cell - y0, l ? depth / 2 : -depth / 2});
    return index;
  };
  for (int y = 0; y < grid.height; ++y)
    for (int x = 0; x < grid.width; ++x) {
      if (!lit(x, y)) continue;
      m.face({at(x, y, 0), at(x + 1, y, 0), at(x + 1, y + 1, 0), at(x, y + 1, 0)}, frontSurface, {0, 0, -1});
      m.face({at(x, y, 1), at(x + 1, y, 1), at(x + 1, y + 1, 1), at(x, y + 1, 1)}, frontSurface, {0, 0, 1});
      if (!lit(x - 1, y)) m.face({at(x, y, 0), at(x, y + 1, 0), at(x, y + 1, 1), at(x, y, 1)}, sideSurface, {-1, 0, 0});
      if (!lit(x + 1, y))
        m.face({at(x + 1, y, 0), at(x + 1, y + 1, 0), at(x + 1, y + 1, 1), at(x + 1, y, 1)}, sideSurface, {1, 0, 0});
      if (!lit(x, y - 1)) m.face({at(x, y, 0), at(x + 1, y, 0), at(x + 1, y, 1), at(x, y, 1)}, sideSurface, {0, 1, 0});
      if (!lit(x, y + 1))
        m.face({at(x, y + 1, 0), at(x + 1, y + 1, 0), at(x + 1, y + 1, 1), at(x, y + 1, 1)}, sideSurface, {0, -1, 0});
    }
  return m;
}

// A sphere of `slices` x `stacks` whose radius along a direction is radius(θ, φ); the same
// topology and point order for every radius function, so two of them morph point by point.
template <typename Radius>
Mesh sphere(int slices, int stacks, Radius radius, const std::vector<uint32_t>& bandColours) {
  Mesh m;
  std::vector<int> bands;
  for (size_t i = 0; i < bandColours.size(); ++i) bands.push_back(m.surface("Band" + std::to_string(i + 1), bandColours[i]));
  auto point = [&](double theta, double phi) {
    double r = radius(theta, phi);
    return Vec3{(float)(r * std::sin(theta) * std::cos(phi)), (float)(r * std::cos(theta)),
                (float)(r * std::sin(theta) * std::sin(phi))};
  };
  int top = m.add(point(0, 0));
  for (int j = 1; j < stacks; ++j)
    for (int i = 0; i < slices; ++i) m.add(point(M_PI * j / stacks, 2 * M_PI * i / slices));
  int bottom = m.add(point(M_PI, 0));
  auto ring = [slices](int j, int i) { return 1 + (j - 1) * slices + (i % slices); };
  auto outward = [&](const std::vector<int>& c) {
    Vec3 s{0, 0, 0};
    for (int k : c) s = {s.x + m.points[k].x, s.y + m.points[k].y, s.z + m.points[k].z};
    return s;
  };
  auto band = [&](int i) { return bands[(i * (int)bands.size() / slices) % bands.size()]; };
  for (int i = 0; i < slices; ++i) {
    std::vector<int> c{top, ring(1, i + 1), ring(1, i)};
    m.face(c, band(i), outward(c));
  }
  for (int j = 1; j < stacks - 1; ++j)
    for (int i = 0; i < slices; ++i) {
      std::vector<int> c{ring(j, i), ring(j, i + 1), ring(j + 1, i + 1), ring(j + 1, i)};
      m.face(c, band(i), outward(c));
    }
  for (int i = 0; i < slices; ++i) {
    std::vector<int> c{bottom, ring(stacks - 1, i), ring(stacks - 1, i + 1)};
    m.face(c, band(i), outward(c));
  }
  return m;
}

// A small craft: a long pointed hull with swept wings and a fin, nose toward +z.
Mesh craft() {
  Mesh m;
  int hull = m.surface("Hull", 0xE0C040);
  int wing = m.surface("Wings", 0xC06020);
  int nose = m.add({0, 0, 120}), tail = m.add({0, 0, -80});
  int top = m.add({0, 22, -20}), bottom = m.add({0, -14, -20});
  int left = m.add({-26, 0, -20}), right = m.add({26, 0, -20});
  for (auto [a, b] : {std::pair{top, right}, {right, bottom}, {bottom, left}, {left, top}}) {
    Vec3 pa = m.points[a], pb = m.points[b];
    m.face({nose, a, b}, hull, {(pa.x + pb.x), (pa.y + pb.y), 40});
    m.face({tail, a, b}, hull, {(pa.x + pb.x), (pa.y + pb.y), -40});
  }
  for (float side : {-1.0f, 1.0f}) {
    int root1 = m.add({side * 20, 0, 10}), root2 = m.add({side * 20, 0, -50});
    int tip1 = m.add({side * 110, -6, -60}), tip2 = m.add({side * 110, -6, -85});
    int under1 = m.add({side * 20, -4, 10}), under2 = m.add({side * 20, -4, -50});
    m.face({root1, tip1, tip2, root2}, wing, {0, 1, 0});
    m.face({under1, tip1, tip2, under2}, wing, {0, -1, 0});
    m.face({root1, under1, tip1}, wing, {0, 0, 1});
    m.face({root2, under2, tip2}, wing, {0, 0, -1});
  }
  int finBase1 = m.add({0, 18, -30}), finBase2 = m.add({0, 18, -75}), finTip = m.add({0, 60, -85});
  int finSide = m.add({2, 18, -50});
  m.face({finBase1, finTip, finBase2}, wing, {-1, 0, 0});
  m.face({finBase1, finSide, finTip}, wing, {1, 0, 0});
  return m;
}

zub::Failure writeFile(const std::string& path, const std::string& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fclose(f) != 0)
    return zub::failure(1, "cannot write %s\n", path.c_str());
  return {};
}

} // namespace

std::string letteringBytes(const char* text) { return extrudedText(text, 10, 14, 0xFFFFFF, 0xC0C0C0).bytes(); }
std::string craftBytes() { return craft().bytes(); }

zub::Failure writeObjects(const std::string& folder) {
  const std::string dat = folder + "/dat/";
  auto round = [](double, double) { return 100.0; };
  // The morph target: six soft lobes pushed out of the same sphere.
  auto lobed = [](double theta, double phi) { return 100.0 * (1 + 0.35 * std::sin(3 * theta) * std::sin(3 * phi)); };
  const uint32_t beach[] = {0xE02020, 0xF0F0F0, 0x2050E0, 0xF0D020};
  zub::Failure failed = writeFile(folder + "/default.lwo", defaultLwoBytes());
  if (!failed) failed = writeFile(dat + "Brimvale.lwo", extrudedText("ZUB", 10, 14, 0xFFFFFF, 0xC0C0C0).bytes());
  if (!failed) failed = writeFile(dat + "99.lwo", extrudedText("99", 10, 14, 0xFFFFFF, 0xC0C0C0).bytes());
  if (!failed) failed = writeFile(dat + "zub.lwo", extrudedText("ZUB", 10, 20, 0xFFD040, 0xA06010).bytes());
  if (!failed) failed = writeFile(dat + "dot.lwo", sphere(24, 16, round, std::vector<uint32_t>(beach, beach + 4)).bytes());
  if (!failed) failed = writeFile(dat + "vrt.lwo", craft().bytes());
  if (!failed) failed = writeFile(dat + "ball.lwo", sphere(24, 16, round, {0xC0C0C0}).bytes());
  if (!failed) failed = writeFile(dat + "ball2.lwo", sphere(24, 16, lobed, {0xC0C0C0}).bytes());
  return failed;
}

} // namespace assets
