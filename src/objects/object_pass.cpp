// The per-frame object pass: reset the working points, deform them (wave, morph, ripple), then
// recompute the normals from the deformed shape, rotate, place and project.
#include <cmath>

#include "objects/object3d.h"
#include "core/trig_tables.h"

void Object3D::restorePoints() {
  for (int32_t i = 0; i < pointCount; ++i) workPoints[i] = points[i];
}

void Object3D::morphTowards(const Object3D& other, float t) {
  // Back and forth between 0 and 1 as t grows; the remainder stands for repeated subtraction of 2,
  // which would never end for very large t.
  float s = t;
  if (s > 2) {
    s = std::fmod(s, 2.0f);
    if (s == 0) s = 2;
  }
  if (s > 1) s = 2 - s;
  // Only the points both objects have can be paired.
  int32_t count = pointCount < other.pointCount ? pointCount : other.pointCount;
  for (int32_t i = 0; i < count; ++i) {
    Vec3& w = workPoints[i];
    const Vec3& o = other.points[i];
    w.x += s * (o.x - w.x);
    w.y += s * (o.y - w.y);
    w.z += s * (o.z - w.z);
  }
}

void Object3D::wave(float t, float twist) {
  for (int32_t i = 0; i < pointCount; ++i) {
    Vec3& p = workPoints[i];
    float x = p.x, y = p.y, z = p.z;
    int k = degreeIndex(y * twist);
    float sk = sinDegrees[k], ck = cosDegrees[k];
    float g = x * ck + z * sk;
    float y2 = (float)(y + 14 * std::sin(0.025 * g + 0.05 * t));
    float z2 = (float)(10 * std::cos(((g + 160) * 0.05 + t) * 0.06666666666666667 + 0.025 * y2) + z * ck - g * sk);
    float x2 = (float)(g + 10 * std::cos(0.025 * z2 + 0.05 * t));
    p = Vec3{x2, y2, z2};
  }
}

void Object3D::ripple(float amplitude, float rings, float phase) {
  float halfY = sizeY * 0.5f, halfX = sizeX * 0.5f;
  float r = std::sqrt(halfY * halfY + halfX * halfX);
  for (int32_t i = 0; i < pointCount; ++i) {
    Vec3& p = workPoints[i];
    float d = std::sqrt(p.x * p.x + p.y * p.y);
    // Negative rings or phase, or a flat object (r 0), must still index the table in range.
    int index = degreeIndex(d / r * rings * 360 + phase);
    p.z = p.z + amplitude * cosDegrees[index];
  }
}

void Object3D::transformAndProject(float ax, float ay, float az, float tx, float ty, float tz, float sx, float sy,
                                   float sz, int width, int height) {
  computeFaceNormals();
  computePointNormals();
  rotatePoints(workPoints.get(), workPoints.get(), pointCount, ax, ay, az);
  for (int32_t i = 0; i < pointCount; ++i) {
    Vec3& p = workPoints[i];
    // Scale after translation, so the translation is scaled too.
    p.x = (p.x + tx) * sx;
    p.y = (p.y + ty) * sy;
    p.z = (p.z + tz) * sz;
  }
  rotatePoints(workPointNormals.get(), pointNormals.get(), pointCount, ax, ay, az);
  rotatePoints(workFaceNormals.get(), faceNormals.get(), faceCount, ax, ay, az);
  projectPoints(workPoints.get(), pointCount, (float)width, (float)height);
}
