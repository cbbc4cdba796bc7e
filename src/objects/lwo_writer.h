// Writes LightWave LWOB files: the asset generator's default object, and test and fuzz fixtures.
// Chunks are appended in the order given; the FORM size is filled in by bytes().
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "objects/geometry.h"

class LwoWriter {
public:
  // Raw big-endian pieces, for fixtures that need exact (even malformed) layouts.
  static void putU16(std::string& out, uint32_t value);
  static void putU32(std::string& out, uint32_t value);
  static void putF32(std::string& out, float value);
  static void putString(std::string& out, const std::string& text); // NUL, then a pad to even length

  void chunk(const std::string& tag, const std::string& data); // tag, U32 size, data
  void points(const std::vector<Vec3>& list);
  void surfaceNames(const std::vector<std::string>& names);
  // Each polygon: its point indices, then its surface number (from 1).
  void polygons(const std::vector<std::vector<int>>& corners, const std::vector<int>& surfaces);
  void surface(const std::string& name, uint32_t colour, uint16_t flags);

  std::string bytes() const; // "FORM", size, "LWOB", chunks

private:
  std::string body;
};

// The fallback object "default.lwo": an octahedron of eight triangles in two colours.
std::string defaultLwoBytes();

// A sphere of the given radius: slices x (stacks - 2) quadrilaterals and 2 x slices triangles at
// the poles, one surface, corners ordered so every face turns outward.
std::string sphereLwoBytes(int slices, int stacks, float radius, uint32_t colour);
