// A polygon mesh as the generator builds it: points, polygons with their surface, and the surfaces'
// names and colours, written out as LightWave LWOB bytes.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "objects/geometry.h"
#include "objects/lwo_writer.h"

namespace assets {

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
  // Adds a polygon whose corners turn so that (p1 - p0) x (p2 - p0) points along `outward`: the
  // engine takes a face's normal from its first three corners and culls by it.
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

} // namespace assets
