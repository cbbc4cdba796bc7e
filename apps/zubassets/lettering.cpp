#include "lettering.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "text.h"

namespace assets {

namespace {

// ---- plane geometry ----

double cross(Point2 o, Point2 a, Point2 b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }
double area(const Contour& c) {
  double a = 0;
  for (size_t i = 0; i < c.size(); ++i) {
    const Point2 &p = c[i], &q = c[(i + 1) % c.size()];
    a += p.x * q.y - q.x * p.y;
  }
  return a / 2;
}
bool inside(const Contour& c, Point2 p) {
  bool in = false;
  for (size_t i = 0, j = c.size() - 1; i < c.size(); j = i++)
    if ((c[i].y > p.y) != (c[j].y > p.y) && p.x < (c[j].x - c[i].x) * (p.y - c[i].y) / (c[j].y - c[i].y) + c[i].x) in = !in;
  return in;
}
bool same(Point2 a, Point2 b) { return std::fabs(a.x - b.x) < 1e-9 && std::fabs(a.y - b.y) < 1e-9; }

// Drops points that lie on the straight line through their neighbours: flattening leaves none on
// curves, but fonts carry a few on straight stems.
Contour simplified(const Contour& c) {
  Contour out;
  for (size_t i = 0; i < c.size(); ++i) {
    Point2 a = c[(i + c.size() - 1) % c.size()], p = c[i], b = c[(i + 1) % c.size()];
    double la = std::hypot(p.x - a.x, p.y - a.y), lb = std::hypot(b.x - p.x, b.y - p.y);
    if (la < 1e-6 || lb < 1e-6 || std::fabs(cross(a, p, b)) / (la * lb) > 1e-4) out.push_back(p);
  }
  return out;
}

// ---- faces: ear clipping, holes joined to their outline by bridges ----

struct Corner {
  Point2 p;
  int point; // the mesh point
};
using Ring = std::vector<Corner>;

// Joins each hole (turning clockwise) into the outline (counter-clockwise) through a bridge from
// the hole's rightmost corner to an outline corner it can see, so one ring remains.
Ring bridged(Ring outline, std::vector<Ring> holes) {
  auto rightmost = [](const Ring& r) {
    size_t best = 0;
    for (size_t i = 1; i < r.size(); ++i)
      if (r[i].p.x > r[best].p.x || (r[i].p.x == r[best].p.x && r[i].p.y < r[best].p.y)) best = i;
    return best;
  };
  std::sort(holes.begin(), holes.end(), [&](const Ring& a, const Ring& b) { return a[rightmost(a)].p.x > b[rightmost(b)].p.x; });
  for (const Ring& hole : holes) {
    const size_t m = rightmost(hole);
    const Point2 M = hole[m].p;
    // The nearest outline edge that a ray from M to the right crosses.
    double nearest = 1e30;
    size_t pick = 0;
    for (size_t i = 0; i < outline.size(); ++i) {
      Point2 a = outline[i].p, b = outline[(i + 1) % outline.size()].p;
      if ((a.y > M.y) == (b.y > M.y) || a.y == b.y) continue;
      double x = a.x + (M.y - a.y) * (b.x - a.x) / (b.y - a.y);
      if (x < M.x - 1e-12 || x >= nearest) continue;
      nearest = x;
      pick = a.x > b.x ? i : (i + 1) % outline.size();
    }
    // A corner of the outline inside the triangle M, crossing, picked corner would block the
    // bridge: take the one nearest the ray instead.
    const Point2 I{nearest, M.y}, P = outline[pick].p;
    double bestAngle = 1e30;
    for (size_t i = 0; i < outline.size(); ++i) {
      Point2 r = outline[i].p;
      if (i == pick || r.x < M.x) continue;
      double d1 = cross(M, I, r), d2 = cross(I, P, r), d3 = cross(P, M, r);
      bool in = (d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0);
      if (!in) continue;
      double angle = std::fabs(std::atan2(r.y - M.y, r.x - M.x));
      if (angle < bestAngle) bestAngle = angle, pick = i;
    }
    Ring joined(outline.begin(), outline.begin() + (long)pick + 1);
    for (size_t k = 0; k <= hole.size(); ++k) joined.push_back(hole[(m + k) % hole.size()]);
    joined.push_back(outline[pick]);
    joined.insert(joined.end(), outline.begin() + (long)pick + 1, outline.end());
    outline = joined;
  }
  return outline;
}

// Triangles of a counter-clockwise ring, cutting each time the best-shaped ear (the one whose
// smallest angle is largest) so the faces carry no needless slivers.
std::vector<std::vector<int>> triangulated(Ring ring) {
  std::vector<std::vector<int>> triangles;
  auto minAngle = [](Point2 a, Point2 b, Point2 c) {
    auto angle = [](Point2 o, Point2 p, Point2 q) {
      double ux = p.x - o.x, uy = p.y - o.y, vx = q.x - o.x, vy = q.y - o.y;
      return std::acos(std::clamp((ux * vx + uy * vy) / (std::hypot(ux, uy) * std::hypot(vx, vy) + 1e-30), -1.0, 1.0));
    };
    return std::min({angle(a, b, c), angle(b, c, a), angle(c, a, b)});
  };
  while (ring.size() > 3) {
    const size_t n = ring.size();
    long best = -1;
    double bestScore = -1;
    for (size_t i = 0; i < n; ++i) {
      Point2 a = ring[(i + n - 1) % n].p, b = ring[i].p, c = ring[(i + 1) % n].p;
      if (cross(a, b, c) <= 1e-14) continue;
      bool blocked = false;
      for (size_t j = 0; j < n && !blocked; ++j) {
        Point2 q = ring[j].p;
        if (j == i || j == (i + 1) % n || j == (i + n - 1) % n || same(q, a) || same(q, b) || same(q, c)) continue;
        blocked = cross(a, b, q) >= 0 && cross(b, c, q) >= 0 && cross(c, a, q) >= 0;
      }
      if (blocked) continue;
      double score = minAngle(a, b, c);
      if (score > bestScore) bestScore = score, best = (long)i;
    }
    if (best < 0) { // only rounding leaves no ear: cut the most convex corner
      double most = -1e30;
      for (size_t i = 0; i < n; ++i) {
        double k = cross(ring[(i + n - 1) % n].p, ring[i].p, ring[(i + 1) % n].p);
        if (k > most) most = k, best = (long)i;
      }
    }
    const size_t i = (size_t)best;
    int a = ring[(i + n - 1) % n].point, b = ring[i].point, c = ring[(i + 1) % n].point;
    if (a != b && b != c && a != c) triangles.push_back({a, b, c});
    ring.erase(ring.begin() + (long)i);
  }
  if (ring[0].point != ring[1].point && ring[1].point != ring[2].point && ring[0].point != ring[2].point)
    triangles.push_back({ring[0].point, ring[1].point, ring[2].point});
  return triangles;
}

// ---- the solid ----

struct Outline {
  Contour points;          // counter-clockwise for an outline, clockwise for a hole: filled on the left
  std::vector<Point2> out; // per point: the offset that moves it one em outward, mitred
  std::vector<bool> sharp; // per point: a corner, where the bevel and sides keep separate normals
  int group;               // the outline (itself, for an outline) whose letter face it belongs to
};

// Each point's mitred offset outward and whether it is a corner.
void mitre(Outline& o) {
  const Contour& c = o.points;
  const size_t n = c.size();
  o.out.clear();
  o.sharp.clear();
  for (size_t i = 0; i < n; ++i) {
    Point2 a = c[(i + n - 1) % n], p = c[i], b = c[(i + 1) % n];
    double l1 = std::hypot(p.x - a.x, p.y - a.y), l2 = std::hypot(b.x - p.x, b.y - p.y);
    // Outward normals of the edges in and out (to the right of the way round).
    Point2 n1{(p.y - a.y) / l1, -(p.x - a.x) / l1}, n2{(b.y - p.y) / l2, -(b.x - p.x) / l2};
    Point2 m{n1.x + n2.x, n1.y + n2.y};
    double lm = std::hypot(m.x, m.y), cosHalf = lm / 2;
    double k = 1 / (lm * std::max(cosHalf, 0.3));
    o.out.push_back({m.x * k, m.y * k});
    o.sharp.push_back(n1.x * n2.x + n1.y * n2.y < std::cos(28 * M_PI / 180));
  }
}

std::vector<Outline> outlines(const std::string& text, double tracking, double tolerance, double bevel) {
  std::vector<Contour> raw;
  textOutlines(text, tolerance, tracking, raw);
  std::vector<Outline> list;
  for (Contour& c : raw) {
    c = simplified(c);
    if (c.size() >= 3) list.push_back({c, {}, {}, -1});
  }
  // Even nesting depth: an outline; odd: a hole, belonging to the smallest outline around it.
  for (size_t i = 0; i < list.size(); ++i) {
    int depth = 0;
    long owner = -1;
    for (size_t j = 0; j < list.size(); ++j) {
      if (j == i || !inside(list[j].points, list[i].points[0])) continue;
      ++depth;
      if (owner < 0 || std::fabs(area(list[j].points)) < std::fabs(area(list[(size_t)owner].points))) owner = (long)j;
    }
    bool hole = depth % 2 == 1;
    list[i].group = hole ? (int)owner : (int)i;
    if ((area(list[i].points) > 0) == hole) std::reverse(list[i].points.begin(), list[i].points.end());
  }
  for (Outline& o : list) {
    // A slit narrower than the bevel (where a letter's stroke meets another at a sharp angle, as
    // inside an M) would turn the face inside out when it is inset: it is filled, its tip dropped
    // while the tip is sharp (the outline turns back by more than 155 degrees) and the points on
    // either side of it lie closer together than the two bevels' width. A notch that opens wider,
    // as between the strokes of a W, stays.
    for (bool filled = true; filled && o.points.size() > 3;) {
      filled = false;
      Contour& c = o.points;
      for (size_t i = 0; i < c.size() && c.size() > 3; ++i) {
        Point2 a = c[(i + c.size() - 1) % c.size()], p = c[i], b = c[(i + 1) % c.size()];
        double ux = a.x - p.x, uy = a.y - p.y, vx = b.x - p.x, vy = b.y - p.y;
        double cosine = (ux * vx + uy * vy) / (std::hypot(ux, uy) * std::hypot(vx, vy));
        if (cross(a, p, b) < 0 && cosine > std::cos(25 * M_PI / 180) && std::hypot(b.x - a.x, b.y - a.y) < 2 * bevel) {
          c.erase(c.begin() + (long)i);
          filled = true;
        }
      }
    }
    mitre(o);
    // An edge shorter than the bevel's inset at its two ends would turn over on the face: its two
    // points become one, at its middle, until no edge turns over. A face's outline of a font
    // can have such edges at the joins of its curves.
    for (size_t guard = o.points.size(); guard > 3; --guard) {
      const size_t n = o.points.size();
      size_t fold = n;
      for (size_t i = 0; i < n && fold == n; ++i) {
        const size_t j = (i + 1) % n;
        Point2 e{o.points[j].x - o.points[i].x, o.points[j].y - o.points[i].y};
        Point2 inset{o.points[j].x - o.out[j].x * bevel - o.points[i].x + o.out[i].x * bevel,
                     o.points[j].y - o.out[j].y * bevel - o.points[i].y + o.out[i].y * bevel};
        if (inset.x * e.x + inset.y * e.y <= 0) fold = i;
      }
      if (fold == n) break;
      const size_t j = (fold + 1) % n;
      o.points[fold] = {(o.points[fold].x + o.points[j].x) / 2, (o.points[fold].y + o.points[j].y) / 2};
      o.points.erase(o.points.begin() + (long)j);
      mitre(o);
    }
  }
  return list;
}

} // namespace

Mesh extrudedLettering(const std::string& text, const LetteringStyle& style) {
  std::vector<Outline> list = outlines(text, style.tracking, style.tolerance, style.bevel);
  Mesh m;
  const int faceSurface = m.surface("Face", style.colour);
  const int bevelSurface = m.surface("Bevel", style.colour);
  const int sideSurface = m.surface("Side", style.colour);
  const int backSurface = m.surface("Back", style.colour);
  // The profile from the face's edge round the bevel (a quarter circle in three steps) to the
  // back: offset outward from the outline and depth behind the face, in ems.
  const double b = style.bevel;
  const double profile[5][2] = {{-b, 0},
                                {-b + b * std::sin(M_PI / 6), b - b * std::cos(M_PI / 6)},
                                {-b + b * std::sin(M_PI / 3), b - b * std::cos(M_PI / 3)},
                                {0, b},
                                {0, style.depth}};
  const int rings = 5;
  const double front = style.depth / 2;
  auto place = [&](Point2 p, double depth) { return Vec3{(float)p.x, (float)-p.y, (float)(front - depth)}; };
  auto at = [](const Outline& o, size_t i, double offset) {
    return Point2{o.points[i].x + o.out[i].x * offset, o.points[i].y + o.out[i].y * offset};
  };
  int reversed = 0;
  std::vector<Ring> faces(list.size()), backs(list.size());
  for (size_t k = 0; k < list.size(); ++k) {
    const Outline& o = list[k];
    const size_t n = o.points.size();
    // Per ring and point, the mesh point of the edge coming in and of the edge going out; the
    // same point unless the outline turns sharply there.
    std::vector<int> in((size_t)rings * n), out((size_t)rings * n);
    for (int r = 0; r < rings; ++r)
      for (size_t i = 0; i < n; ++i) {
        Vec3 p = place(at(o, i, profile[r][0]), profile[r][1]);
        in[r * n + i] = m.add(p);
        out[r * n + i] = o.sharp[i] ? m.add(p) : in[r * n + i];
      }
    for (size_t i = 0; i < n; ++i) {
      const size_t j = (i + 1) % n;
      Point2 e{o.points[j].x - o.points[i].x, o.points[j].y - o.points[i].y};
      double le = std::hypot(e.x, e.y);
      Point2 normal{e.y / le, -e.x / le};
      Point2 faceEdge{at(o, j, -b).x - at(o, i, -b).x, at(o, j, -b).y - at(o, i, -b).y};
      if (faceEdge.x * e.x + faceEdge.y * e.y <= 0) ++reversed;
      for (int r = 0; r + 1 < rings; ++r) {
        double dOffset = profile[r + 1][0] - profile[r][0], dDepth = profile[r + 1][1] - profile[r][1];
        Vec3 outward{(float)(normal.x * dDepth), (float)(-normal.y * dDepth), (float)dOffset};
        m.face({out[r * n + i], in[r * n + j], in[(r + 1) * n + j], out[(r + 1) * n + i]},
               r + 1 < rings - 1 ? bevelSurface : sideSurface, outward);
      }
      faces[k].push_back({at(o, i, -b), -1});
      backs[k].push_back({o.points[i], -1});
    }
    // The letter's face and back get points of their own: flat, with an edge where the bevel starts.
    for (size_t i = 0; i < n; ++i) {
      faces[k][i].point = m.add(place(faces[k][i].p, 0));
      backs[k][i].point = m.add(place(backs[k][i].p, style.depth));
    }
  }
  if (reversed) fprintf(stderr, "zubassets: \"%s\": the bevel folds over %d short edges\n", text.c_str(), reversed);
  for (size_t k = 0; k < list.size(); ++k) {
    if (list[k].group != (int)k) continue;
    std::vector<Ring> faceHoles, backHoles;
    for (size_t h = 0; h < list.size(); ++h)
      if (h != k && list[h].group == (int)k) faceHoles.push_back(faces[h]), backHoles.push_back(backs[h]);
    for (auto& t : triangulated(bridged(faces[k], faceHoles))) m.face(t, faceSurface, {0, 0, 1});
    for (auto& t : triangulated(bridged(backs[k], backHoles))) m.face(t, backSurface, {0, 0, -1});
  }
  // Lean the tops toward the viewer: the light sits behind the viewer, so a face turned straight
  // at it would be all highlight.
  const double a = style.tilt * M_PI / 180, ca = std::cos(a), sa = std::sin(a);
  for (Vec3& p : m.points) {
    double y = p.y, z = p.z;
    p.y = (float)(y * ca + z * sa);
    p.z = (float)(z * ca - y * sa);
  }
  return m;
}

} // namespace assets
