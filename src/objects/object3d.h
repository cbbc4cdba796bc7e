// Object3D: a polygon object from a LightWave file, centred and scaled at load, with planar
// texture coordinates, point-to-face lists, normals and shading tables; animated by the
// per-frame pass (object_pass.cpp) and drawn by render (render/render.cpp).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "objects/geometry.h"
#include "objects/render_space.h"

// Render modes; the values are the ones the scenes pass.
enum RenderMode : int {
  Shaded = 2,     // lit faces, flat colour or textured
  EnvMap = 6,     // environment mapped from the point normals
  BumpEnvMap = 7, // environment mapped, shade perturbed by the bump map
};

struct Surface {
  std::string name = "Untitled";
  uint32_t colour = 0x00FF00; // 0xRRGGBB from COLR
  uint16_t flags = 0;         // from FLAG
};

struct Face {
  int32_t sides = 3;            // 3 or 4 once fixFaces has run
  int32_t index[4] = {0, 0, 0, 0}; // corner point indices; entries from sides on are unused
  float u[4] = {0, 0, 0, 0};    // texture column per corner, in texels of the texture
  float v[4] = {0, 0, 0, 0};    // texture row per corner
  uint32_t colour = 0xFF0000;   // the surface's colour, red for a default face
  Surface* surface = nullptr;   // none for a default face
};

constexpr int kMaxPointFaces = 20;
constexpr int kMaxLights = 50;

struct PointFaces {
  int32_t count = 0;
  int32_t face[kMaxPointFaces] = {};
};

class Object3D {
public:
  RenderSpace* space;                       // borrowed: depth buffer, default texture, render size
  std::string name = "Undefined Filename";
  std::string description = "Undefined Description";
  int32_t pointCount = 0;
  std::unique_ptr<Vec3[]> points;           // model points, centred and scaled at load
  std::unique_ptr<Vec3[]> workPoints;       // per frame: deformed, then screen x, y and depth z
  std::unique_ptr<Vec3[]> faceNormals;      // unit normal per face, from workPoints
  std::unique_ptr<Vec3[]> workFaceNormals;  // faceNormals rotated by the frame's angles
  std::unique_ptr<Vec3[]> pointNormals;     // per point, the mean of its faces' normals
  std::unique_ptr<Vec3[]> workPointNormals; // pointNormals rotated by the frame's angles
  std::unique_ptr<float[]> workShade;       // per point, its shade from the lights while rendering
  int32_t faceCount = 0;
  std::unique_ptr<Face[]> faces;
  std::unique_ptr<PointFaces[]> pointFaces; // the first 20 faces that use each point
  int32_t pointCapacity = 0;
  int32_t faceCapacity = 0;
  int32_t lightCount = 0;
  Light* lights[kMaxLights] = {};           // shade the object, in this order
  float diffuseFactor = 1.0f;
  int32_t specularPower = 30;
  bool textured = false;                    // Shaded mode fills with the texture when set
  Bitmap* texture = nullptr;                // texture or environment picture
  BumpMap* bumpMap = nullptr;               // for BumpEnvMap
  Camera* camera = nullptr;                 // its direction culls the faces
  float minX = 0, maxX = 0, minY = 0, maxY = 0, minZ = 0, maxZ = 0;
  float sizeX = 0, sizeY = 0, sizeZ = 0;
  float maxSize = 0;
  int32_t surfaceCount = 0;
  std::vector<Surface*> surfaces;           // SRFS order: file surface s is entry s - 1
  int32_t specularAdd[90] = {};             // highlight per channel by angle 0..89 degrees
  int32_t diffuseMul[90] = {};              // diffuse factor in 1/256 by angle 0..89 degrees

  explicit Object3D(RenderSpace& renderSpace) : space(&renderSpace) {}

  // ---- building at load ----
  // The whole load: defaults, the LightWave file (or "default.lwo" when it cannot be opened),
  // then prepare(). A file that cannot be read or is malformed is reported with the demo's
  // message and status; the object is then not usable.
  zub::Failure loadFromFile(const char* path);
  // The same load from a file already in memory (fixtures, the fuzzer). False with the reason
  // when the bytes are malformed; nothing then ends the process.
  bool loadFromBytes(const uint8_t* bytes, size_t length, std::string& error);
  // Defaults and the 50-unit cube; false when the cube's arrays cannot be made.
  bool makeDefaults();
  // The load steps after reading: repair, centre, scale to the render height, planar map,
  // point-to-face lists and normals.
  void prepare();
  // Each makes the arrays for n items. False, after printing the allocation error, when they
  // cannot be made; the object then keeps its previous arrays.
  bool allocatePoints(int64_t n);
  bool allocateFaces(int64_t n);
  bool allocateSurfaces(int64_t n);
  void resetFaces();
  bool makeCube(float a);
  void fixFaces();
  void computeBounds();
  void planarMap();
  void computePointFaces();
  void computeFaceNormals();
  void computePointNormals();
  void addLight(Light* light);

  // ---- per-frame pass (object_pass.cpp) ----
  void restorePoints();
  void morphTowards(const Object3D& other, float t);
  void wave(float t, float twist);
  void ripple(float amplitude, float rings, float phase);
  void transformAndProject(float ax, float ay, float az, float tx, float ty, float tz, float sx, float sy,
                           float sz, int width, int height);

  // ---- drawing (render/render.cpp) ----
  void render(Bitmap* target, int mode);

private:
  std::vector<std::unique_ptr<Surface>> ownedSurfaces; // every surface made, so face references stay valid
};
