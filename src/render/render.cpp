// Object3D::render: per face, cull by the camera direction, gather and test the projected
// corners, give each corner its texture coordinates and shade from the lights, and hand the
// polygon to the mode's rasterizer. Afterwards the working arrays are restored from the model.
#include "render/render.h"

#include <cmath>

#include "objects/object3d.h"
#include "render/rasterize.h"

namespace {

// The cosine angleBetween takes the arc cosine of.
float cosineBetween(const Vec3& a, const Vec3& b) {
  float dot = a.x * b.x + a.y * b.y + a.z * b.z;
  float lengths = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z) * std::sqrt(b.x * b.x + b.y * b.y + b.z * b.z);
  if (lengths < 0.001f) lengths = 0.001f;
  float c = dot / lengths;
  // Unit vectors can give a cosine a rounding step beyond 1; acos of that is NaN.
  if (c > 1.0f) c = 1.0f;
  if (c < -1.0f) c = -1.0f;
  return c;
}

} // namespace

float angleBetween(const Vec3& a, const Vec3& b) { return (float)(std::acos((double)cosineBetween(a, b)) * 57.29578); }

namespace {

bool faceVisible(float angle, int mode) {
  if (!(angle >= 0 && angle < 90)) return false;
  if (mode == Shaded) return true;
  // The environment modes also drop faces whose edge-on brightness would truncate to 0.
  return (int)(255 - angle * 255 * 0.011111111111111112) != 0;
}

float shadeFromLights(const Object3D& object, const Vec3& normal) {
  float s = 0;
  for (int32_t k = 0; k < object.lightCount; ++k) {
    float b = angleBetween(normal, object.lights[k]->direction);
    if (b >= 0 && b < 90) s = s + (90 - b);
  }
  if (s >= 89) s = 89;
  return 89 - s;
}

} // namespace

void Object3D::render(Bitmap* target, int mode) {
  bool known = mode == Shaded || mode == EnvMap || mode == BumpEnvMap;
  if (known && camera && target) {
    const float width = (float)target->width, height = (float)target->height;
    const int texW = texture ? texture->width : 0, texH = texture ? texture->height : 0;
    ScanPolygon polygon;
    // A point's shade depends on its normal and the lights only: worked out once for all its faces.
    const int32_t shaded = pointCount < pointCapacity ? pointCount : pointCapacity;
    for (int32_t i = 0; i < shaded; ++i) workShade[i] = -1;
    for (int32_t f = 0; f < faceCount; ++f) {
      const Face& face = faces[f];
      // Only a face nearly edge-on needs its angle: a cosine above 0.01 is an angle below 89.43
      // degrees, visible in every mode; one below -0.01 is past 90 degrees (NaN goes the long way).
      const float c = cosineBetween(camera->direction, workFaceNormals[f]);
      if (!(c > 0.01f) && (c < -0.01f || !faceVisible((float)(std::acos((double)c) * 57.29578), mode))) continue;
      int n = face.sides < 0 ? 0 : face.sides > 4 ? 4 : face.sides;
      bool near = false, inX = false, inY = false;
      for (int j = 0; j < n; ++j) {
        const Vec3& p = workPoints[face.index[j]];
        if (!(p.z > 1.0f)) near = true;
        if (p.x >= 0 && p.x < width) inX = true;
        if (p.y >= 0 && p.y < height) inY = true;
      }
      if (near || !inX || !inY) continue;
      polygon.count = n;
      for (int j = 0; j < n; ++j) {
        int32_t index = face.index[j];
        const Vec3& p = workPoints[index];
        const Vec3& normal = workPointNormals[index];
        ScanVertex& vertex = polygon.verts[j];
        vertex.x = p.x;
        vertex.y = p.y;
        vertex.z = p.z;
        if (mode == Shaded) {
          vertex.u = face.u[j];
          vertex.v = face.v[j];
        } else {
          float halfW = (float)(texW / 2), halfH = (float)(texH / 2);
          vertex.u = halfW * normal.x + (float)(texW / 2 - 1);
          vertex.v = (float)(texH - 1) - (halfH * normal.y + (float)(texH / 2 - 1));
        }
        float& shade = workShade[index];
        if (shade < 0) shade = shadeFromLights(*this, normal);
        vertex.shade = shade;
      }
      polygon.verts[n] = polygon.verts[0];
      polygon.colour = face.colour;
      if (mode == Shaded) {
        if (textured)
          fillTexturedLit(target, texture, polygon, *this);
        else
          fillShaded(target, polygon, *this);
      } else if (mode == EnvMap) {
        fillTexturedLit(target, texture, polygon, *this);
      } else {
        fillBumpLit(target, texture, bumpMap, polygon, *this);
      }
    }
  }
  for (int32_t i = 0; i < pointCount; ++i) {
    workPoints[i] = points[i];
    workPointNormals[i] = pointNormals[i];
  }
  for (int32_t i = 0; i < faceCount; ++i) workFaceNormals[i] = faceNormals[i];
}
