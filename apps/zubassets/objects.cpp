#include "objects.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/fatal.h"
#include "lettering.h"
#include "mesh.h"
#include "paint.h"
#include "objects/lwo_writer.h"

namespace assets {

namespace {

// A ring of a tube round the z axis, `around` x `tube` quadrilaterals; centre(φ) gives the point
// of the ring's centre line and tube(φ, θ) the tube's radius there. The same topology and point
// order for every shape, so two of them morph point by point.
template <typename Centre, typename Tube>
Mesh torus(int around, int tube, Centre centre, Tube radius, uint32_t colour) {
  Mesh m;
  const int surface = m.surface("Chrome", colour);
  for (int i = 0; i < around; ++i)
    for (int j = 0; j < tube; ++j) {
      const double phi = 2 * M_PI * i / around, theta = 2 * M_PI * j / tube;
      const Vec3 c = centre(phi);
      const double r = radius(phi, theta), out = std::cos(theta) * r;
      m.add({(float)(c.x + out * std::cos(phi)), (float)(c.y + out * std::sin(phi)), (float)(c.z + std::sin(theta) * r)});
    }
  auto at = [&](int i, int j) { return (i % around) * tube + (j % tube); };
  for (int i = 0; i < around; ++i)
    for (int j = 0; j < tube; ++j) {
      std::vector<int> q{at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
      const Vec3 c = centre(2 * M_PI * (i + 0.5) / around);
      Vec3 mid{0, 0, 0};
      for (int k : q) mid = {mid.x + m.points[k].x / 4, mid.y + m.points[k].y / 4, mid.z + m.points[k].z / 4};
      m.face(q, surface, {mid.x - c.x, mid.y - c.y, mid.z - c.z});
    }
  return m;
}

// A (2, 3) torus knot: a tube `around` x `tube` quadrilaterals following the knot's line, its
// cross-section carried along without twisting (each ring's frame is the last one turned onto the
// new direction), so the quadrilaterals stay even all the way round.
Mesh trefoil(int around, int tube, double radius, uint32_t colour) {
  Mesh m;
  const int surface = m.surface("Gold", colour);
  auto line = [](double t) {
    const double r = 0.62 + 0.3 * std::cos(3 * t);
    return Vec3{(float)(r * std::cos(2 * t)), (float)(r * std::sin(2 * t)), (float)(0.3 * std::sin(3 * t))};
  };
  auto sub = [](Vec3 a, Vec3 b) { return Vec3{a.x - b.x, a.y - b.y, a.z - b.z}; };
  auto cross = [](Vec3 a, Vec3 b) { return Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; };
  auto unit = [](Vec3 a) {
    const float l = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return Vec3{a.x / l, a.y / l, a.z / l};
  };
  std::vector<Vec3> centres;
  Vec3 normal{0, 0, 1};
  for (int i = 0; i < around; ++i) {
    const double t = 2 * M_PI * i / around;
    const Vec3 c = line(t), along = unit(sub(line(t + 1e-4), line(t - 1e-4)));
    // The last ring's normal, made square to the new direction.
    const Vec3 side = unit(cross(along, normal));
    normal = cross(side, along);
    centres.push_back(c);
    for (int j = 0; j < tube; ++j) {
      const double theta = 2 * M_PI * j / tube, a = std::cos(theta) * radius, b = std::sin(theta) * radius;
      m.add({(float)(c.x + a * normal.x + b * side.x), (float)(c.y + a * normal.y + b * side.y), (float)(c.z + a * normal.z + b * side.z)});
    }
  }
  // The frame has turned a little by the time it comes round; the last rings are joined to the
  // first at the nearest twist.
  int shift = 0;
  double best = 1e9;
  for (int k = 0; k < tube; ++k) {
    const Vec3 d = sub(m.points[(size_t)(around - 1) * tube], m.points[(size_t)k]);
    const double e = d.x * d.x + d.y * d.y + d.z * d.z;
    if (e < best) best = e, shift = k;
  }
  auto at = [&](int i, int j) { return i == around ? (j + shift) % tube : i * tube + j % tube; };
  for (int i = 0; i < around; ++i)
    for (int j = 0; j < tube; ++j) {
      std::vector<int> q{at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
      const Vec3 c = centres[(size_t)i];
      Vec3 mid{0, 0, 0};
      for (int k : q) mid = {mid.x + m.points[k].x / 4, mid.y + m.points[k].y / 4, mid.z + m.points[k].z / 4};
      m.face(q, surface, sub(mid, c));
    }
  return m;
}

// A banded planet inside a tilted ring, for the dot scene: the ring sets the object's size (the
// loader scales its width to 240 units), so the planet is kept to a little over a third of it and the
// zooming and tiling city shows all round it and between planet and ring. Built
// with x right, y up and z away from the viewer as the scene shows it (it turns the object 270
// degrees about x), then stored in the model's axes.
Mesh ringedPlanet() {
  Mesh m;
  const uint32_t bandColours[] = {0xF4E2B4, 0xE8A040, 0xC06030, 0xB04078, 0x6A3478, 0xB04078, 0xC06030, 0xE8A040, 0xF4E2B4};
  std::vector<int> bands;
  // Points on a grid of 1/1024 of the ring's half-width (under a fifth of a pixel as large as the
  // scene draws it): short mantissas pack smaller in the page's compressed download.
  auto model = [&](double x, double y, double z) {
    auto onGrid = [](double v) { return (float)(std::round(v * 1024) / 1024); };
    return m.add({onGrid(x), onGrid(-z), onGrid(y)});
  };
  // Fine enough that the shading, which is worked out at the corners, draws the highlight round
  // rather than as a diamond.
  const int slices = 64, stacks = 24;
  const double radius = 0.38, row = M_PI / stacks;
  // The rows of points wave in latitude with the longitude, each a little out of step with the
  // next (never by as much as a row, so rows never cross), and the waves die away toward the
  // poles: the belts' borders, which are the rows' edges, swirl as a gas giant's do while every
  // face keeps its row's one colour, so no edge is a staircase of faces.
  std::vector<int> grid;
  for (int j = 0; j <= stacks; ++j)
    for (int i = 0; i < slices; ++i) {
      const double phi = 2 * M_PI * i / slices, rowTheta = row * j, taper = std::sin(rowTheta) * std::sin(rowTheta);
      const double theta = rowTheta + row * taper * (0.6 * std::sin(2 * phi + 0.35 * j) + 0.35 * std::sin(5 * phi - 0.8 * j));
      grid.push_back(model(radius * std::sin(theta) * std::cos(phi), radius * std::cos(theta), radius * std::sin(theta) * std::sin(phi)));
    }
  auto g = [&](int j, int i) { return grid[(size_t)(j * slices + (i % slices))]; };
  // A colour for each row of faces: the nine bands, each easing into the next, so that every row
  // has a tone of its own and the stripes read as a gas giant's soft belts rather than painted
  // rings.
  for (int j = 0; j < stacks; ++j) {
    const double u = (j + 0.5) * 9 / stacks - 0.5;
    const int i = std::clamp((int)std::floor(u), 0, 8), next = std::min(i + 1, 8);
    const double f = u - std::floor(u), blend = f * f * (3 - 2 * f);
    bands.push_back(m.surface("Band" + std::to_string(j + 1), mix(bandColours[i], bandColours[next], u < 0 ? 0 : blend)));
  }
  for (int j = 0; j < stacks; ++j)
    for (int i = 0; i < slices; ++i) {
      const int band = bands[(size_t)j];
      std::vector<int> q{g(j, i), g(j, i + 1), g(j + 1, i + 1), g(j + 1, i)};
      if (j == 0) q = {g(0, i), g(1, i + 1), g(1, i)};
      if (j == stacks - 1) q = {g(j, i), g(j, i + 1), g(j + 1, i)};
      const Vec3 a = m.points[q[0]], b = m.points[q[1]], c = m.points[q[2]];
      m.face(q, band, {a.x + b.x + c.x, a.y + b.y + c.y, a.z + b.z + c.z});
    }
  // The ring: bands of several tones (dim and lavender inside, brightest in the middle, then an
  // open division before the duller outer lanes: it has no faces, so the city shows through the
  // ring as well as round it), leaning its near side down toward the viewer; each side has points
  // of its own so that neither side's shading is averaged with the other's. It is a thin slab, its
  // two sides `thickness` apart and joined by an outer and an inner wall, so that seen edge-on it
  // is a lit band rather than a dark line (a face seen edge-on takes no light).
  const double tilt = 28 * M_PI / 180, edges[] = {0.66, 0.72, 0.79, 0.86, 0.895, 0.95, 1.0}, thickness = 0.04;
  const uint32_t ringColours[] = {0x9C84B4, 0xC8B0DC, 0xFFF4D0, 0, 0xE0C4A0, 0xF4D8A8};
  const int bandCount = (int)(sizeof ringColours / sizeof ringColours[0]), division = 3;
  const int segments = 96; // fewer show as corners along the ring's outer edge, close up
  // A point of the ring at radius r and angle phi, `lift` along its upward normal, which in the
  // scene's axes is (0, cos tilt, -sin tilt); in the model's (x, -z, y) that is (0, sin tilt, cos tilt).
  auto onRing = [&](double r, double phi, double lift) {
    return model(r * std::cos(phi), r * std::sin(phi) * std::sin(tilt) + lift * std::cos(tilt),
                 r * std::sin(phi) * std::cos(tilt) - lift * std::sin(tilt));
  };
  for (int side = 0; side < 2; ++side) {
    // Neighbouring bands of one side share the circle of points between them.
    const float up = side ? -1.0f : 1.0f;
    std::vector<std::vector<int>> circles((size_t)bandCount + 1);
    for (int k = 0; k <= bandCount; ++k)
      for (int i = 0; i < segments; ++i) circles[(size_t)k].push_back(onRing(edges[k], 2 * M_PI * i / segments, up * thickness / 2));
    const Vec3 facing{0, (float)std::sin(tilt) * up, (float)std::cos(tilt) * up};
    for (int k = 0; k < bandCount; ++k) {
      if (k == division) continue;
      const int surface = m.surface("Ring" + std::to_string(side * bandCount + k + 1), ringColours[k]);
      const std::vector<int>&inner = circles[(size_t)k], &outer = circles[(size_t)k + 1];
      for (int i = 0; i < segments; ++i)
        m.face({inner[i], inner[(i + 1) % segments], outer[(i + 1) % segments], outer[i]}, surface, facing);
    }
  }
  // The walls, in the outer and the inner band's colours, facing away from and toward the centre.
  for (int wall = 0; wall < 2; ++wall) {
    const double r = wall == 0 ? edges[bandCount] : edges[0];
    const int surface = m.surface(wall == 0 ? "RingOuterWall" : "RingInnerWall", ringColours[wall == 0 ? bandCount - 1 : 0]);
    std::vector<int> top, bottom;
    for (int i = 0; i < segments; ++i) {
      const double phi = 2 * M_PI * i / segments;
      top.push_back(onRing(r, phi, thickness / 2));
      bottom.push_back(onRing(r, phi, -thickness / 2));
    }
    for (int i = 0; i < segments; ++i) {
      const int j = (i + 1) % segments;
      const Vec3 a = m.points[(size_t)top[i]], b = m.points[(size_t)top[j]];
      const float out = wall == 0 ? 1.0f : -1.0f; // the points' own direction from the centre, outward or in
      m.face({top[i], top[j], bottom[j], bottom[i]}, surface, {out * (a.x + b.x), out * (a.y + b.y), out * (a.z + b.z)});
    }
  }
  return m;
}

// A sleek craft: a lofted hull with a canopy, swept wings with thickness and twin fins, nose
// toward +z.
Mesh craft() {
  Mesh m;
  const int hull = m.surface("Hull", 0xE0C040);
  const int wing = m.surface("Wings", 0xC06020);
  // The hull: cross-sections along z, each an ellipse of half width w and half height h whose
  // top swells into the canopy.
  const int around = 14;
  const double sections[][4] = {// z, w, h, canopy
                                {-96, 9, 8, 0},  {-80, 13, 10, 0}, {-50, 17, 13, 0}, {-15, 19, 15, 2}, {20, 17, 14, 8},
                                {50, 14, 12, 9}, {78, 10, 9, 5},   {102, 6, 6, 1},   {122, 2.5, 2.5, 0}};
  const int count = sizeof sections / sizeof sections[0];
  std::vector<std::vector<int>> ring((size_t)count);
  for (int s = 0; s < count; ++s)
    for (int i = 0; i < around; ++i) {
      const double a = 2 * M_PI * i / around, up = std::max(0.0, std::sin(a));
      ring[(size_t)s].push_back(m.add({(float)(sections[s][1] * std::cos(a)), (float)((sections[s][2] + sections[s][3] * up * up) * std::sin(a)),
                                       (float)sections[s][0]}));
    }
  const int nose = m.add({0, 0, 134}), tail = m.add({0, 0, -98});
  for (int s = 0; s + 1 < count; ++s)
    for (int i = 0; i < around; ++i) {
      const int j = (i + 1) % around;
      const Vec3 a = m.points[ring[(size_t)s][i]], b = m.points[ring[(size_t)s + 1][j]];
      m.face({ring[(size_t)s][i], ring[(size_t)s][j], ring[(size_t)s + 1][j], ring[(size_t)s + 1][i]}, hull,
             {(a.x + b.x) / 2, (a.y + b.y) / 2, 0});
    }
  for (int i = 0; i < around; ++i) {
    const int j = (i + 1) % around;
    const Vec3 a = m.points[ring[(size_t)count - 1][i]];
    m.face({nose, ring[(size_t)count - 1][i], ring[(size_t)count - 1][j]}, hull, {a.x, a.y, 4});
    m.face({tail, ring[0][i], ring[0][j]}, hull, {0, 0, -1});
  }
  // A slab between two outlines (top and bottom), with its edges closed.
  auto slab = [&](const std::vector<Vec3>& top, const std::vector<Vec3>& bottom, Vec3 up) {
    std::vector<int> t, b;
    for (const Vec3& p : top) t.push_back(m.add(p));
    for (const Vec3& p : bottom) b.push_back(m.add(p));
    m.face(t, wing, up);
    m.face(b, wing, {-up.x, -up.y, -up.z});
    const size_t n = t.size();
    Vec3 centre{0, 0, 0};
    for (const Vec3& p : top) centre = {centre.x + p.x / n, centre.y + p.y / n, centre.z + p.z / n};
    for (size_t i = 0; i < n; ++i) {
      const size_t j = (i + 1) % n;
      const Vec3 mid{(top[i].x + top[j].x) / 2 - centre.x, (top[i].y + top[j].y) / 2 - centre.y, (top[i].z + top[j].z) / 2 - centre.z};
      m.face({t[i], t[j], b[j], b[i]}, wing, mid);
    }
  };
  for (float side : {-1.0f, 1.0f}) {
    // Cranked delta wings: a long root from the cockpit back to the tail, a leading edge that
    // sweeps out steeply and then less, square tips, a little dihedral, thinning outward. Seen
    // from ahead or behind they read as wings, where thin swept ones read as sticks.
    // The engine draws faces of up to four corners: the outline is a triangle at the root and a
    // quadrilateral outboard of the crank.
    const Vec3 top[5] = {{side * 15, 2, 46}, {side * 40, 4, -6}, {side * 104, 10, -52}, {side * 104, 10, -66}, {side * 15, 2, -78}};
    const Vec3 under[5] = {{side * 15, -5, 46}, {side * 40, -3, -6}, {side * 104, 9, -52}, {side * 104, 9, -66}, {side * 15, -5, -78}};
    slab({top[0], top[1], top[4]}, {under[0], under[1], under[4]}, {0, 1, 0});
    slab({top[1], top[2], top[3], top[4]}, {under[1], under[2], under[3], under[4]}, {0, 1, 0});
    // Tailplanes behind the wings, level with the hull's middle.
    slab({{side * 10, 0, -70}, {side * 46, 1, -96}, {side * 46, 1, -106}, {side * 10, 0, -100}},
         {{side * 10, -3, -70}, {side * 46, 0, -96}, {side * 46, 0, -106}, {side * 10, -3, -100}}, {0, 1, 0});
    // Fins, leaning out.
    slab({{side * 8, 12, -46}, {side * 22, 52, -84}, {side * 22, 52, -98}, {side * 8, 12, -96}},
         {{side * 12, 11, -46}, {side * 26, 51, -84}, {side * 26, 51, -98}, {side * 12, 11, -96}}, {-side, 0.3f, 0});
    // An engine nozzle each side of the tail: a short tube, its back closed by a shallow cone set
    // into it.
    const int segments = 10;
    const double nx = side * 7.5, radius = 6.5;
    std::vector<int> front, back, inner;
    for (int i = 0; i < segments; ++i) {
      const double a = 2 * M_PI * i / segments;
      const float x = (float)(nx + radius * std::cos(a)), y = (float)(-1 + radius * std::sin(a));
      front.push_back(m.add({x, y, -88}));
      back.push_back(m.add({x, y, -112}));
      inner.push_back(m.add({(float)(nx + radius * 0.7 * std::cos(a)), (float)(-1 + radius * 0.7 * std::sin(a)), -106}));
    }
    for (int i = 0; i < segments; ++i) {
      const int j = (i + 1) % segments;
      const double a = 2 * M_PI * (i + 0.5) / segments;
      const Vec3 out{(float)std::cos(a), (float)std::sin(a), 0};
      m.face({front[i], front[j], back[j], back[i]}, hull, out);
      m.face({back[i], back[j], inner[j], inner[i]}, hull, {0, 0, -1});
    }
    const int centre = m.add({(float)nx, -1, -104});
    for (int i = 0; i < segments; ++i) m.face({centre, inner[(i + 1) % segments], inner[i]}, wing, {0, 0, -1});
  }
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

zub::Failure writeFile(const std::string& path, const std::string& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fclose(f) != 0)
    return zub::failure(1, "cannot write %s\n", path.c_str());
  return {};
}

} // namespace

std::string letteringBytes(const char* text) { return extrudedLettering(text, logoStyle()).bytes(); }
std::string craftBytes() { return craft().bytes(); }
std::string knotBytes() { return trefoil(150, 12, 0.2, 0xD0A040).bytes(); }

zub::Failure writeObjects(const std::string& folder) {
  const std::string dat = folder + "/dat/";
  // The chrome ring and its morph target, a ring that swells in three places and rises and
  // dips twice round: a ring leaves the pictures behind it showing through its middle, and a
  // tube a little over a third of the ring's radius keeps that middle wide where the bump-mapped
  // scene brings the ring close enough to fill the frame.
  auto round = [](double, double) { return 0.35; };
  auto saddle = [](double phi) { return Vec3{(float)(0.12 * std::cos(2 * phi) * std::cos(phi)), (float)(0.12 * std::cos(2 * phi) * std::sin(phi)), (float)(0.3 * std::sin(2 * phi))}; };
  auto swelling = [](double phi, double theta) { return 0.35 * (1 + 0.3 * std::sin(3 * phi)) * (1 + 0.12 * std::cos(2 * theta)); };
  auto ring = [](double phi) { return Vec3{(float)std::cos(phi), (float)std::sin(phi), 0}; };
  auto ringSaddle = [&](double phi) {
    Vec3 a = ring(phi), b = saddle(phi);
    return Vec3{a.x + b.x, a.y + b.y, b.z};
  };
  zub::Failure failed = writeFile(folder + "/default.lwo", defaultLwoBytes());
  if (!failed) failed = writeFile(dat + "Brimvale.lwo", extrudedLettering("ZUB", logoStyle()).bytes());
  if (!failed) failed = writeFile(dat + "99.lwo", extrudedLettering("SOFTWARE DEMO", subtitleStyle()).bytes());
  if (!failed) failed = writeFile(dat + "zub.lwo", extrudedLettering("ZUB", logoStyle()).bytes());
  if (!failed) failed = writeFile(dat + "dot.lwo", ringedPlanet().bytes());
  if (!failed) failed = writeFile(dat + "vrt.lwo", craft().bytes());
  if (!failed) failed = writeFile(dat + "ball.lwo", torus(40, 20, ring, round, 0xC0C0C0).bytes());
  if (!failed) failed = writeFile(dat + "ball2.lwo", torus(40, 20, ringSaddle, swelling, 0xC0C0C0).bytes());
  return failed;
}

} // namespace assets
