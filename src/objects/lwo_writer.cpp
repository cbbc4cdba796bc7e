// LWOB writer: big-endian numbers, even-padded strings and the chunks the reader acts on.
#include "objects/lwo_writer.h"

#include <cmath>
#include <cstring>

void LwoWriter::putU16(std::string& out, uint32_t value) {
  out += (char)(value >> 8 & 0xFF);
  out += (char)(value & 0xFF);
}

void LwoWriter::putU32(std::string& out, uint32_t value) {
  putU16(out, value >> 16);
  putU16(out, value & 0xFFFF);
}

void LwoWriter::putF32(std::string& out, float value) {
  uint32_t bits;
  memcpy(&bits, &value, 4);
  putU32(out, bits);
}

void LwoWriter::putString(std::string& out, const std::string& text) {
  out += text;
  out += '\0';
  if ((text.size() + 1) & 1) out += '\0';
}

void LwoWriter::chunk(const std::string& tag, const std::string& data) {
  body += tag;
  putU32(body, (uint32_t)data.size());
  body += data;
}

void LwoWriter::points(const std::vector<Vec3>& list) {
  std::string data;
  for (const Vec3& p : list) {
    putF32(data, p.x);
    putF32(data, p.y);
    putF32(data, p.z);
  }
  chunk("PNTS", data);
}

void LwoWriter::surfaceNames(const std::vector<std::string>& names) {
  std::string data;
  for (const std::string& name : names) putString(data, name);
  chunk("SRFS", data);
}

void LwoWriter::polygons(const std::vector<std::vector<int>>& corners, const std::vector<int>& surfaces) {
  std::string data;
  for (size_t i = 0; i < corners.size(); ++i) {
    putU16(data, (uint32_t)corners[i].size());
    for (int index : corners[i]) putU16(data, (uint32_t)index & 0xFFFF);
    putU16(data, (uint32_t)(i < surfaces.size() ? surfaces[i] : 1) & 0xFFFF);
  }
  chunk("POLS", data);
}

void LwoWriter::surface(const std::string& name, uint32_t colour, uint16_t flags) {
  std::string data;
  putString(data, name);
  data += "COLR";
  putU16(data, 4);
  data += (char)(colour >> 16 & 0xFF);
  data += (char)(colour >> 8 & 0xFF);
  data += (char)(colour & 0xFF);
  data += '\0';
  data += "FLAG";
  putU16(data, 2);
  putU16(data, flags);
  chunk("SURF", data);
}

std::string LwoWriter::bytes() const {
  std::string out = "FORM";
  putU32(out, (uint32_t)(body.size() + 4));
  out += "LWOB";
  out += body;
  return out;
}

std::string defaultLwoBytes() {
  LwoWriter writer;
  writer.points({{0, 1, 0}, {1, 0, 0}, {0, 0, 1}, {-1, 0, 0}, {0, 0, -1}, {0, -1, 0}});
  writer.surfaceNames({"Upper", "Lower"});
  writer.polygons({{0, 1, 4}, {0, 4, 3}, {0, 3, 2}, {0, 2, 1}, {5, 4, 1}, {5, 3, 4}, {5, 2, 3}, {5, 1, 2}},
                  {1, 1, 1, 1, 2, 2, 2, 2});
  writer.surface("Upper", 0xC0C0C0, 0);
  writer.surface("Lower", 0x4060A0, 0);
  return writer.bytes();
}

std::string sphereLwoBytes(int slices, int stacks, float radius, uint32_t colour) {
  // Points: the top pole, stacks - 1 rings of slices points from top to bottom, the bottom pole.
  std::vector<Vec3> points{{0, radius, 0}};
  for (int j = 1; j < stacks; ++j) {
    double theta = M_PI * j / stacks;
    for (int i = 0; i < slices; ++i) {
      double phi = 2 * M_PI * i / slices;
      points.push_back({(float)(radius * std::sin(theta) * std::cos(phi)), (float)(radius * std::cos(theta)),
                        (float)(radius * std::sin(theta) * std::sin(phi))});
    }
  }
  int bottom = (int)points.size();
  points.push_back({0, -radius, 0});
  auto ring = [slices](int j, int i) { return 1 + (j - 1) * slices + (i % slices); };
  std::vector<std::vector<int>> polygons;
  for (int i = 0; i < slices; ++i) polygons.push_back({0, ring(1, i + 1), ring(1, i)});
  for (int j = 1; j < stacks - 1; ++j)
    for (int i = 0; i < slices; ++i) polygons.push_back({ring(j, i), ring(j, i + 1), ring(j + 1, i + 1), ring(j + 1, i)});
  for (int i = 0; i < slices; ++i) polygons.push_back({bottom, ring(stacks - 1, i), ring(stacks - 1, i + 1)});
  LwoWriter writer;
  writer.points(points);
  writer.surfaceNames({"Sphere"});
  writer.polygons(polygons, std::vector<int>(polygons.size(), 1));
  writer.surface("Sphere", colour, 0);
  return writer.bytes();
}
