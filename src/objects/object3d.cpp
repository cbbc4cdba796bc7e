// Object3D construction and the preparation that runs once at load: defaults and the default
// cube, array allocation, face repair, bounds, centring and scaling, planar mapping, point-to-face
// lists, normals and the shading tables.
#include "objects/object3d.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "objects/lwo.h"
#include "core/datafile.h"
#include "core/trig_tables.h"

namespace {

template <typename T>
std::unique_ptr<T[]> makeArray(int64_t n) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[n > 0 ? (size_t)n : 1]);
}

} // namespace

zub::Failure Object3D::loadFromFile(const char* path) {
  // The cube's arrays are the first the object needs; the process has nothing to add to that.
  if (!makeDefaults()) return zub::failure(1, "%s", "");
  printf("Assuming object is LWO: %s\n", path);
  zub::Failure failure;
  if (FILE* f = zub::openDataFile(path, "rb")) {
    fclose(f);
    failure = readLwo(*this, path);
  } else {
    fprintf(stderr, "%s cannot be opened; default.lwo stands in for it\n", zub::dataDisplayPath(path).c_str());
    failure = readLwo(*this, "default.lwo");
  }
  if (failure) return failure;
  prepare();
  return {};
}

bool Object3D::loadFromBytes(const uint8_t* bytes, size_t length, std::string& error) {
  if (!makeDefaults()) {
    error = "out of memory";
    return false;
  }
  LwoReader reader;
  reader.openBytes(bytes, length);
  if (!readLwoData(*this, reader, error)) return false;
  prepare();
  return true;
}

bool Object3D::makeDefaults() {
  name = "Undefined Filename";
  description = "Undefined Description";
  pointCount = faceCount = pointCapacity = faceCapacity = 0;
  lightCount = 0;
  for (Light*& light : lights) light = nullptr;
  // The bounding-box record of eight corners is announced but nothing uses it, so none is kept.
  printf("Bounding Box allocated\n");

  diffuseFactor = 1.0f;
  specularPower = 30;
  for (int a = 0; a < 90; ++a) {
    float q = cosDegrees[a];
    specularAdd[a] = (int32_t)(std::pow(q, specularPower) * 255.0);
    diffuseMul[a] = (int32_t)(q * diffuseFactor * 255.0);
  }
  printf("precalc shady\n");

  textured = false;
  texture = space->scratch;
  bumpMap = nullptr;
  camera = nullptr;
  surfaceCount = 0;
  surfaces.clear();
  printf("start make defaults\n");
  printf("end make defaults\n");
  return makeCube(50.0f);
}

void Object3D::prepare() {
  fixFaces();
  space->clearDepths();
  computeBounds();
  float cx = (minX + maxX) * 0.5f, cy = (minY + maxY) * 0.5f, cz = (minZ + maxZ) * 0.5f;
  for (int32_t i = 0; i < pointCount; ++i) {
    points[i].x -= cx;
    points[i].y -= cy;
    points[i].z -= cz;
  }
  computeBounds();
  // Points that all coincide have no size to scale by; they stay as they are.
  float s = maxSize != 0 ? (float)space->height / maxSize : 1.0f;
  for (int32_t i = 0; i < pointCount; ++i) {
    points[i].x *= s;
    points[i].y *= s;
    points[i].z *= s;
  }
  computeBounds();
  planarMap();
  computePointFaces();
  for (int32_t i = 0; i < pointCount; ++i) workPoints[i] = points[i];
  computeFaceNormals();
  computePointNormals();
}

bool Object3D::allocatePoints(int64_t n) {
  if (n < 0 || n > INT32_MAX) {
    printf("Point allocation error: %lld points\n", (long long)n);
    return false;
  }
  auto p = makeArray<Vec3>(n), wp = makeArray<Vec3>(n), pn = makeArray<Vec3>(n), wpn = makeArray<Vec3>(n);
  auto pf = makeArray<PointFaces>(n);
  auto ws = makeArray<float>(n);
  if (!p || !wp || !pn || !wpn || !pf || !ws) {
    printf("Point allocation error: %d points\n", (int)n);
    return false;
  }
  points = std::move(p);
  workPoints = std::move(wp);
  pointNormals = std::move(pn);
  workPointNormals = std::move(wpn);
  pointFaces = std::move(pf);
  workShade = std::move(ws);
  pointCount = pointCapacity = (int32_t)n;
  printf("Points allocated: %d\n", (int)n);
  return true;
}

bool Object3D::allocateFaces(int64_t n) {
  if (n < 0 || n > INT32_MAX) {
    printf("Face allocation error: %lld faces\n", (long long)n);
    return false;
  }
  auto f = makeArray<Face>(n);
  auto fn = makeArray<Vec3>(n), wfn = makeArray<Vec3>(n);
  if (!f || !fn || !wfn) {
    printf("Face allocation error: %d faces\n", (int)n);
    return false;
  }
  faces = std::move(f);
  faceNormals = std::move(fn);
  workFaceNormals = std::move(wfn);
  faceCount = faceCapacity = (int32_t)n;
  resetFaces();
  printf("Faces allocated: %d\n", (int)n);
  return true;
}

bool Object3D::allocateSurfaces(int64_t n) {
  if (n < 0 || n > INT32_MAX) {
    printf("Surface ptrs allocation error: %lld surfaces\n", (long long)n);
    return false;
  }
  std::vector<Surface*> list;
  try {
    list.assign((size_t)n, nullptr);
    ownedSurfaces.reserve(ownedSurfaces.size() + (size_t)n);
  } catch (const std::bad_alloc&) {
    printf("Surface ptrs allocation error: %d surfaces\n", (int)n);
    return false;
  }
  printf("Surface ptrs allocated: %d\n", (int)n);
  // Earlier surfaces stay alive: faces read before a second SRFS chunk still refer to them.
  for (auto& entry : list) {
    entry = new (std::nothrow) Surface;
    if (!entry)
      printf("Null surface\n");
    else
      ownedSurfaces.emplace_back(entry);
  }
  surfaces = std::move(list);
  surfaceCount = (int32_t)n;
  printf("Surfaces Allocated\n");
  return true;
}

void Object3D::resetFaces() {
  for (int32_t i = 0; i < faceCount; ++i) faces[i] = Face{};
}

bool Object3D::makeCube(float a) {
  if (pointCapacity < 8 && !allocatePoints(8)) return false;
  if (faceCapacity < 12 && !allocateFaces(12)) return false;
  pointCount = 8;
  faceCount = 12;
  const Vec3 corners[8] = {{a, a, -a}, {a, -a, -a}, {-a, -a, -a}, {-a, a, -a},
                           {a, a, a},  {a, -a, a},  {-a, -a, a},  {-a, a, a}};
  static const int32_t kTriangles[12][3] = {{2, 3, 0}, {2, 0, 1}, {3, 7, 4}, {3, 4, 0}, {7, 6, 5}, {7, 5, 4},
                                            {6, 2, 1}, {6, 1, 5}, {1, 0, 4}, {1, 4, 5}, {6, 7, 3}, {6, 3, 2}};
  for (int i = 0; i < 8; ++i) points[i] = corners[i];
  for (int i = 0; i < 12; ++i)
    for (int j = 0; j < 3; ++j) faces[i].index[j] = kTriangles[i][j];
  return true;
}

void Object3D::fixFaces() {
  for (int32_t i = 0; i < faceCount; ++i) {
    Face& face = faces[i];
    if (face.sides == 0) {
      printf("Face %d has %d sides!\n", i, 0);
      continue;
    }
    while (face.sides < 3) {
      face.index[face.sides] = face.index[0];
      face.sides++;
      printf("fixed face %d: %d sides\n", i, face.sides);
    }
  }
}

void Object3D::computeBounds() {
  minX = minY = minZ = 32000.0f;
  maxX = maxY = maxZ = -32000.0f;
  for (int32_t i = 0; i < pointCount; ++i) {
    const Vec3& p = points[i];
    if (p.x < minX) minX = p.x;
    if (p.x > maxX) maxX = p.x;
    if (p.y < minY) minY = p.y;
    if (p.y > maxY) maxY = p.y;
    if (p.z < minZ) minZ = p.z;
    if (p.z > maxZ) maxZ = p.z;
  }
  sizeX = maxX - minX;
  sizeY = maxY - minY;
  sizeZ = maxZ - minZ;
  maxSize = sizeX;
  if (sizeX < sizeY) maxSize = sizeY;
  if (sizeZ > maxSize) maxSize = sizeZ;
  printf("Bounds: x=%f, y=%f, z=%f, max=%f\n", sizeX, sizeY, sizeZ, maxSize);
}

void Object3D::planarMap() {
  int w = texture ? texture->width : 1, h = texture ? texture->height : 1;
  if (sizeX == 0) sizeX = 0.01f;
  if (sizeY == 0) sizeY = 0.01f;
  for (int32_t i = 0; i < faceCount; ++i) {
    Face& face = faces[i];
    for (int j = 0; j < face.sides && j < 4; ++j) {
      const Vec3& p = points[face.index[j]];
      face.u[j] = (float)(w - 1) * (p.x - minX) / sizeX;
      face.v[j] = (float)(h - 1) - (float)(h - 1) * (p.y - minY) / sizeY;
    }
  }
  printf("Planar map\n");
}

void Object3D::computePointFaces() {
  for (int32_t p = 0; p < pointCount; ++p) pointFaces[p].count = 0;
  for (int32_t i = 0; i < faceCount; ++i) {
    const Face& face = faces[i];
    for (int j = 0; j < face.sides && j < 4; ++j) {
      PointFaces& list = pointFaces[face.index[j]];
      if (list.count < kMaxPointFaces) list.face[list.count++] = i;
    }
  }
  printf("Point_Faces calculated\n");
}

void Object3D::computeFaceNormals() {
  for (int32_t i = 0; i < faceCount; ++i) {
    const Face& face = faces[i];
    const Vec3& p0 = workPoints[face.index[0]];
    const Vec3& p1 = workPoints[face.index[1]];
    const Vec3& p2 = workPoints[face.index[2]];
    Vec3 e1{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
    Vec3 e2{p2.x - p0.x, p2.y - p0.y, p2.z - p0.z};
    Vec3 n{e1.y * e2.z - e2.y * e1.z, e2.x * e1.z - e2.z * e1.x, e1.x * e2.y - e2.x * e1.y};
    float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    // A degenerate face keeps its tiny normal rather than dividing by (almost) zero.
    if (length >= 0.00001f) n = Vec3{n.x / length, n.y / length, n.z / length};
    faceNormals[i] = n;
  }
}

void Object3D::computePointNormals() {
  for (int32_t p = 0; p < pointCount; ++p) {
    const PointFaces& list = pointFaces[p];
    Vec3 sum;
    for (int k = 0; k < list.count; ++k) {
      const Vec3& n = faceNormals[list.face[k]];
      sum.x += n.x;
      sum.y += n.y;
      sum.z += n.z;
    }
    float divisor = (float)(list.count > 1 ? list.count : 1);
    pointNormals[p] = Vec3{sum.x / divisor, sum.y / divisor, sum.z / divisor};
  }
}

void Object3D::addLight(Light* light) {
  // The list holds 50; a further light is ignored rather than written past it.
  if (lightCount >= kMaxLights) return;
  lights[lightCount++] = light;
}
