// 3D maths shared by the object pass and the renderer: Vec3, rotation by whole-degree angles
// through the fixed sine and cosine tables, perspective projection, and the Camera and Light
// records whose working content is a position and the unit direction toward it.
#pragma once
#include <cstdint>

struct Vec3 {
  float x = 0, y = 0, z = 0;
};


// Rotates count vectors of src into dst (which may be src): about x, then y, then z.
void rotatePoints(Vec3* dst, const Vec3* src, int count, float ax, float ay, float az);
void rotateVector(float x, float y, float z, Vec3& out, float ax, float ay, float az);

// Projects points in place to screen pixels (x right, y down); z stays as the depth.
void projectPoints(Vec3* points, int count, float width, float height);

class Camera {
public:
  Vec3 position{0, 0, -100};  // where the camera is
  Vec3 rotated{0, 0, -100};   // position turned by the angles of the last update
  Vec3 direction{0, 0, -1};   // unit vector of rotated: from the origin toward the camera

  Camera();  // prints "Camera allocated"
  void update(float ax, float ay, float az);
};

class Light {
public:
  Vec3 position{0, 0, -300};  // where the light is
  Vec3 rotated{0, 0, -300};   // position turned by the angles of the last update
  Vec3 direction{0, 0, -1};   // unit vector of rotated: from the origin toward the light
  uint32_t colour = 0xFFFFFF; // not used by the renderer

  Light();  // prints "Light allocated"
  void update(float ax, float ay, float az);
};
