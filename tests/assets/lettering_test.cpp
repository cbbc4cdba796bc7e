// The asset generator's extruded lettering as a solid: built from the font's outlines, with holes
// bridged into the letters' faces, it must close without gaps or overlaps and turn every face
// outward, since the renderer culls each face by the normal of its first three corners.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <tuple>

#include "lettering.h"
#include "text.h"

namespace {

using Key = std::tuple<long, long, long>;
Key key(const Vec3& p) { return {std::lround(p.x * 1e5), std::lround(p.y * 1e5), std::lround(p.z * 1e5)}; }

// Every edge, taken by the positions of its ends (a letter's face, bevel and sides have points of
// their own along shared edges), must be met once in each direction: once by each of the two faces
// beside it, which then turn the same way.
void expectClosedAndOutward(const assets::Mesh& m, const std::string& text) {
  std::map<std::pair<Key, Key>, int> edges;
  double volume = 0;
  for (const std::vector<int>& polygon : m.polygons) {
    ASSERT_TRUE(polygon.size() == 3 || polygon.size() == 4) << text << ": a polygon of " << polygon.size() << " corners";
    for (size_t i = 0; i < polygon.size(); ++i)
      ++edges[{key(m.points[polygon[i]]), key(m.points[polygon[(i + 1) % polygon.size()]])}];
    for (size_t i = 1; i + 1 < polygon.size(); ++i) {
      const Vec3 &a = m.points[polygon[0]], &b = m.points[polygon[i]], &c = m.points[polygon[i + 1]];
      volume += (a.x * (b.y * c.z - b.z * c.y) + a.y * (b.z * c.x - b.x * c.z) + a.z * (b.x * c.y - b.y * c.x)) / 6;
    }
  }
  int unmatched = 0;
  for (const auto& [edge, count] : edges) {
    auto reverse = edges.find({edge.second, edge.first});
    if (count != 1 || reverse == edges.end() || reverse->second != 1) ++unmatched;
  }
  EXPECT_EQ(unmatched, 0) << text << ": edges not shared by exactly two faces turning the same way";
  // Faces turned outward enclose a positive volume.
  EXPECT_GT(volume, 0) << text;
}

TEST(Lettering, LettersWithAndWithoutHolesCloseIntoSolidsFacingOut) {
  const zub::Failure failed = assets::textInit();
  ASSERT_FALSE(failed) << failed.message;
  assets::LetteringStyle style;
  style.tilt = 26;
  for (const char* text : {"ZUB", "B", "SOFTWARE DEMO", "98"}) expectClosedAndOutward(assets::extrudedLettering(text, style), text);
}

double signedArea(const assets::Contour& c) {
  double a = 0;
  for (size_t i = 0; i < c.size(); ++i) a += c[i].x * c[(i + 1) % c.size()].y - c[(i + 1) % c.size()].x * c[i].y;
  return a / 2;
}

// Outlines are made ready for the bevel by filling slits narrower than it; a notch that opens wider
// must stay open, or a W reads as a block. The letter's face is its outline inset by the bevel, so
// its area stays below the outline's less half the bevel's strip along the outline.
TEST(Lettering, FacesKeepTheLettersNotches) {
  const zub::Failure failed = assets::textInit();
  ASSERT_FALSE(failed) << failed.message;
  assets::LetteringStyle style;
  for (const char* text : {"W", "M", "V", "SOFTWARE DEMO"}) {
    std::vector<assets::Contour> outlines;
    assets::textOutlines(text, style.tolerance, style.tracking, outlines);
    double outline = 0, perimeter = 0;
    for (const assets::Contour& c : outlines) {
      outline += signedArea(c);
      for (size_t i = 0; i < c.size(); ++i)
        perimeter += std::hypot(c[(i + 1) % c.size()].x - c[i].x, c[(i + 1) % c.size()].y - c[i].y);
    }
    const assets::Mesh m = assets::extrudedLettering(text, style);
    double face = 0;
    for (size_t f = 0; f < m.polygons.size(); ++f) {
      if (m.surfaces[f] != 1) continue; // the first surface is the letters' face
      const std::vector<int>& p = m.polygons[f];
      for (size_t i = 1; i + 1 < p.size(); ++i) {
        const Vec3 &a = m.points[p[0]], &b = m.points[p[i]], &c = m.points[p[i + 1]];
        face += std::fabs((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x)) / 2;
      }
    }
    EXPECT_LT(face, std::fabs(outline) - 0.5 * perimeter * style.bevel) << text;
    EXPECT_GT(face, 0.5 * std::fabs(outline)) << text;
  }
}

double area(const assets::Contour& c) {
  double a = 0;
  for (size_t i = 0; i < c.size(); ++i) a += c[i].x * c[(i + 1) % c.size()].y - c[(i + 1) % c.size()].x * c[i].y;
  return std::fabs(a / 2);
}

TEST(Lettering, CurvesAreFlattenedWithinTheTolerance) {
  const zub::Failure failed = assets::textInit();
  ASSERT_FALSE(failed) << failed.message;
  // Chords that stray at most the tolerance from the outline change a contour's area by at most
  // its length times the tolerance; the finest flattening stands in for the curve itself.
  std::vector<assets::Contour> fine;
  assets::textOutlines("OS", 1e-6, 0, fine);
  size_t previous = 0;
  for (double tolerance : {0.03, 0.01, 0.003}) {
    std::vector<assets::Contour> coarse;
    assets::textOutlines("OS", tolerance, 0, coarse);
    ASSERT_EQ(coarse.size(), fine.size());
    size_t points = 0;
    for (size_t k = 0; k < fine.size(); ++k) {
      double length = 0;
      for (size_t i = 0; i < fine[k].size(); ++i)
        length += std::hypot(fine[k][(i + 1) % fine[k].size()].x - fine[k][i].x, fine[k][(i + 1) % fine[k].size()].y - fine[k][i].y);
      EXPECT_LE(std::fabs(area(coarse[k]) - area(fine[k])), length * tolerance) << "contour " << k << ", tolerance " << tolerance;
      points += coarse[k].size();
    }
    EXPECT_GT(points, previous) << "a finer tolerance takes more points";
    previous = points;
  }
}

} // namespace
