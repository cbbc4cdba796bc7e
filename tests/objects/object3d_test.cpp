// Object preparation at load: defaults, shading tables, repair, bounds, scaling, planar mapping,
// point-to-face lists and normals.
#include <gtest/gtest.h>

#include <cmath>

#include "objects/lwo_writer.h"
#include "objects/object3d.h"
#include "objects/test_support.h"

namespace {

std::string fileOf(const std::vector<Vec3>& points, const std::vector<std::vector<int>>& polygons) {
  LwoWriter w;
  w.points(points);
  w.surfaceNames({"S"});
  w.polygons(polygons, std::vector<int>(polygons.size(), 1));
  return w.bytes();
}

} // namespace

TEST(ObjectDefaults, ShadingTablesAndTheCube) {
  Object3D o(testSpace());
  o.makeDefaults();
  const int angle[] = {0, 1, 10, 20, 30, 45, 60, 89};
  const int specular[] = {255, 253, 161, 39, 3, 0, 0, 0};
  const int diffuse[] = {255, 254, 251, 239, 220, 180, 127, 4};
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(o.specularAdd[angle[k]], specular[k]) << angle[k];
    EXPECT_EQ(o.diffuseMul[angle[k]], diffuse[k]) << angle[k];
  }
  EXPECT_EQ(o.texture, testSpace().scratch);
  EXPECT_EQ(o.faces[11].index[2], 2);
  EXPECT_EQ(o.faces[11].colour, 0xFF0000u);
}

TEST(ObjectPreparation, HeaderOnlyFileGivesTheCubeScaledTo240) {
  Object3D o(testSpace());
  ASSERT_EQ(loadBytes(o, LwoWriter().bytes()), "");
  // 50 x (240 / 100) in single precision: the edge is 240 to within rounding.
  EXPECT_FLOAT_EQ(o.maxSize, 240.0f);
  EXPECT_EQ(o.points[0].x, 50 * (240 / 100.0f));
  EXPECT_EQ(o.points[6].y, -o.points[0].x);
  // Planar map on the 320 x 240 scratch texture: maxX is column 319, maxY row 0.
  EXPECT_EQ(o.faces[0].u[2], 319.0f); // point 0: x and y max
  EXPECT_EQ(o.faces[0].v[2], 0.0f);
  EXPECT_EQ(o.faces[0].v[0], 239.0f); // point 2: y min
  EXPECT_EQ(o.faceNormals[0].z, -1.0f);
  ASSERT_EQ(o.pointFaces[0].count, 4);
  EXPECT_EQ(o.pointFaces[0].face[3], 8);
}

TEST(ObjectPreparation, CentresAndScalesByTheLargestExtent) {
  Object3D o(testSpace());
  ASSERT_EQ(loadBytes(o, fileOf({{10, 20, 5}, {30, 20, 5}, {10, 30, 5}}, {{0, 1, 2}})), "");
  // Flat in z; the x extent 20 is the largest, so the scale is 240 / 20 = 12.
  EXPECT_EQ(o.sizeZ, 0.0f);
  EXPECT_EQ(o.points[0].x, -120.0f);
  EXPECT_EQ(o.points[0].y, -60.0f);
  EXPECT_EQ(o.points[2].y, 60.0f);
  EXPECT_EQ(o.points[0].z, 0.0f);
}

TEST(ObjectPreparation, CoincidentPointsAreScaledByOne) {
  Object3D o(testSpace());
  ASSERT_EQ(loadBytes(o, fileOf({{3, 3, 3}, {3, 3, 3}, {3, 3, 3}}, {{0, 1, 2}})), "");
  EXPECT_EQ(o.points[1].x, 0.0f); // not 0 x infinity
  EXPECT_EQ(o.points[1].z, 0.0f);
  EXPECT_EQ(o.sizeX, 0.01f); // planarMap's stand-in for a zero extent
  EXPECT_EQ(o.faces[0].u[1], 0.0f);
}

TEST(ObjectPreparation, PlanarMapOnA256Texture) {
  Object3D o(testSpace());
  ASSERT_EQ(loadBytes(o, fileOf({{0, 0, 0}, {4, 0, 0}, {0, 2, 1}, {2, 1, 0}}, {{0, 1, 2, 3}})), "");
  Bitmap texture(256, 256);
  o.texture = &texture;
  o.planarMap();
  const Face& f = o.faces[0];
  EXPECT_EQ(f.u[0], 0.0f);
  EXPECT_EQ(f.u[1], 255.0f);
  EXPECT_EQ(f.v[0], 255.0f);
  EXPECT_EQ(f.v[2], 0.0f);
  EXPECT_EQ(f.u[3], 127.5f);
  EXPECT_EQ(f.v[3], 127.5f);
}

TEST(ObjectPreparation, PointFacesKeepTheFirstTwenty) {
  std::vector<Vec3> points{{0, 0, 0}};
  std::vector<std::vector<int>> polygons;
  for (int i = 0; i < 25; ++i) {
    points.push_back({std::cos((float)i), std::sin((float)i), 0});
    polygons.push_back({0, i + 1, (i + 1) % 25 + 1});
  }
  Object3D o(testSpace());
  ASSERT_EQ(loadBytes(o, fileOf(points, polygons)), "");
  ASSERT_EQ(o.pointFaces[0].count, 20);
  for (int k = 0; k < 20; ++k) EXPECT_EQ(o.pointFaces[0].face[k], k);
  EXPECT_EQ(o.pointFaces[1].face[1], 24);
}

TEST(ObjectPreparation, FixFacesRepairsAndReports) {
  Object3D o(testSpace());
  testing::internal::CaptureStdout();
  std::string error = loadBytes(o, fileOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{2}, {1, 2}, {0, 1, 2}}));
  std::string out = testing::internal::GetCapturedStdout();
  ASSERT_EQ(error, "");
  EXPECT_NE(out.find("fixed face 0: 2 sides\nfixed face 0: 3 sides\nfixed face 1: 3 sides\n"), std::string::npos);
  EXPECT_EQ(o.faces[0].index[2], 2); // (p) -> (p, p, p)
  EXPECT_EQ(o.faces[1].index[2], 1); // (p, q) -> (p, q, p)
  EXPECT_EQ(o.faceNormals[0].z, 0.0f); // collapsed: the zero normal is kept undivided
  o.faces[2].sides = 0;
  testing::internal::CaptureStdout();
  o.fixFaces();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Face 2 has 0 sides!\n");
  EXPECT_EQ(o.faces[2].sides, 0);
}

TEST(ObjectNormals, FaceAndPointNormals) {
  Object3D o(testSpace());
  o.makeDefaults();
  o.computePointFaces();
  // Clockwise on screen (x right, y up) faces the viewer: (0, 0, -1).
  o.workPoints[0] = {0, 0, 0};
  o.workPoints[1] = {0, 1, 0};
  o.workPoints[2] = {1, 0, 0};
  o.faces[0].index[0] = 0;
  o.faces[0].index[1] = 1;
  o.faces[0].index[2] = 2;
  o.computeFaceNormals();
  EXPECT_EQ(o.faceNormals[0].x, 0.0f);
  EXPECT_EQ(o.faceNormals[0].z, -1.0f);
  // Point 2 is used by faces 0, 1, 6 and 11; the mean is not renormalised.
  for (int f = 0; f < 12; ++f) o.faceNormals[f] = {0, 0, 0};
  o.faceNormals[0] = {0, 0, -1};
  o.faceNormals[6] = {0, -1, 0};
  o.pointFaces[3].count = 0;
  o.computePointNormals();
  EXPECT_EQ(o.pointNormals[2].y, -0.25f);
  EXPECT_EQ(o.pointNormals[2].z, -0.25f);
  EXPECT_EQ(o.pointNormals[3].z, 0.0f); // used by no face
}

TEST(ObjectLights, FiftyFirstLightIsIgnored) {
  Object3D o(testSpace());
  o.makeDefaults();
  Light lights[51];
  for (Light& l : lights) o.addLight(&l);
  EXPECT_EQ(o.lightCount, 50);
  EXPECT_EQ(o.lights[49], &lights[49]);
}
