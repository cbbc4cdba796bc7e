// Rotation, projection, and the camera and light updates. All arithmetic is single precision,
// each step stored as written; the build keeps the compiler from fusing multiply-adds.
#include "objects/geometry.h"

#include <cmath>
#include <cstdio>

#include "core/trig_tables.h"

namespace {

struct Turn {
  float sx, cx, sy, cy, sz, cz;
  Turn(float ax, float ay, float az) {
    int ix = degreeIndex(ax), iy = degreeIndex(ay), iz = degreeIndex(az);
    sx = sinDegrees[ix];
    cx = cosDegrees[ix];
    sy = sinDegrees[iy];
    cy = cosDegrees[iy];
    sz = sinDegrees[iz];
    cz = cosDegrees[iz];
  }
  Vec3 apply(float x, float y, float z) const {
    float y1 = y * cx - z * sx;
    float z1 = y * sx + z * cx;
    float x2 = x * cy + z1 * sy;
    float z2 = z1 * cy - x * sy;
    float x3 = x2 * cz - y1 * sz;
    float y3 = y1 * cz + x2 * sz;
    return Vec3{x3, y3, z2};
  }
};

void normalise(const Vec3& rotated, Vec3& direction) {
  float length = std::sqrt(rotated.x * rotated.x + rotated.y * rotated.y + rotated.z * rotated.z);
  // A position at (almost) the origin has no direction; it is kept unscaled rather than blown up.
  if (length > 0.01f)
    direction = Vec3{rotated.x / length, rotated.y / length, rotated.z / length};
  else
    direction = rotated;
}

} // namespace

void rotatePoints(Vec3* dst, const Vec3* src, int count, float ax, float ay, float az) {
  Turn turn(ax, ay, az);
  for (int i = 0; i < count; ++i) dst[i] = turn.apply(src[i].x, src[i].y, src[i].z);
}

void rotateVector(float x, float y, float z, Vec3& out, float ax, float ay, float az) {
  out = Turn(ax, ay, az).apply(x, y, z);
}

void projectPoints(Vec3* points, int count, float width, float height) {
  float halfW = width / 2, halfH = height / 2;
  for (int i = 0; i < count; ++i) {
    Vec3& p = points[i];
    float xp = (p.x * 1000) / (p.z + 1000);
    float yp = (p.y * 1000) / (p.z + 1000);
    float length = std::sqrt(xp * xp + yp * yp + p.z * p.z);
    // Both axes scale by the width so pixels stay square.
    float sx = width * xp / length;
    float sy = width * yp / length;
    sx = 4 * sx;
    sy = 4 * sy;
    p.x = halfW + sx;
    p.y = halfH - sy;
  }
}

Camera::Camera() {
  update(0, 0, 0);
  printf("Camera allocated\n");
}

void Camera::update(float ax, float ay, float az) {
  rotateVector(position.x, position.y, position.z, rotated, ax, ay, az);
  normalise(rotated, direction);
}

Light::Light() {
  update(0, 0, 0);
  printf("Light allocated\n");
}

void Light::update(float ax, float ay, float az) {
  rotateVector(position.x, position.y, position.z, rotated, ax, ay, az);
  normalise(rotated, direction);
}
