#include "objects.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "core/fatal.h"
#include "lettering.h"
#include "mesh.h"
#include "objects/lwo_writer.h"

namespace assets {

namespace {

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

// The logo's lettering: deep enough to show its sides as it waves, its top leaning toward the
// viewer so the light (from the viewer) catches the bevels rather than flooding the faces, and so
// its foot stands back behind the caption that settles over it.
LetteringStyle logoStyle() {
  LetteringStyle s;
  s.bevel = 0.035;
  s.depth = 0.2;
  s.tilt = 26;
  s.tracking = 0.02;
  return s;
}

// The caption that settles over the logo's foot: flat on to the viewer, and deep, so that its face
// (the object is centred on its depth) lies in front of the logo's.
LetteringStyle subtitleStyle() {
  LetteringStyle s;
  s.bevel = 0.035;
  s.depth = 0.6;
  s.tracking = 0.06;
  s.tolerance = 0.015; // small on screen: coarser curves do
  return s;
}

bool writeFile(const std::string& path, const std::string& bytes, std::string& error) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fclose(f) != 0) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

} // namespace

std::string letteringBytes(const char* text) { return extrudedLettering(text, logoStyle()).bytes(); }
std::string craftBytes() { return craft().bytes(); }

bool writeObjects(const std::string& folder, std::string& error) {
  const std::string dat = folder + "/dat/";
  auto round = [](double, double) { return 100.0; };
  // The morph target: six soft lobes pushed out of the same sphere.
  auto lobed = [](double theta, double phi) { return 100.0 * (1 + 0.35 * std::sin(3 * theta) * std::sin(3 * phi)); };
  const uint32_t beach[] = {0xE02020, 0xF0F0F0, 0x2050E0, 0xF0D020};
  return writeFile(folder + "/default.lwo", defaultLwoBytes(), error) &&
         writeFile(dat + "Brimvale.lwo", extrudedLettering("ZUB", logoStyle()).bytes(), error) &&
         writeFile(dat + "99.lwo", extrudedLettering("SOFTWARE DEMO", subtitleStyle()).bytes(), error) &&
         writeFile(dat + "zub.lwo", extrudedLettering("ZUB", logoStyle()).bytes(), error) &&
         writeFile(dat + "dot.lwo", sphere(24, 16, round, std::vector<uint32_t>(beach, beach + 4)).bytes(), error) &&
         writeFile(dat + "vrt.lwo", craft().bytes(), error) &&
         writeFile(dat + "ball.lwo", sphere(24, 16, round, {0xC0C0C0}).bytes(), error) &&
         writeFile(dat + "ball2.lwo", sphere(24, 16, lobed, {0xC0C0C0}).bytes(), error);
}

} // namespace assets
