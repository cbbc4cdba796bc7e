// The per-frame pass: wave, morph and ripple deformations, and transformAndProject.
#include <gtest/gtest.h>

#include "core/trig_tables.h"

#include <cmath>

#include "objects/object3d.h"
#include "objects/test_support.h"

namespace {

// The default cube, unscaled (half-edge 50), with its working points reset.
void cube(Object3D& o) {
  o.makeDefaults();
  o.computePointFaces();
  o.computeBounds();
  o.restorePoints();
}

} // namespace

TEST(Wave, MovesTheOrigin) {
  Object3D o(testSpace());
  cube(o);
  o.workPoints[0] = {0, 0, 0};
  o.wave(0, 0);
  double z = 10 * std::cos(160 * 0.05 * 0.06666666666666667);
  double x = 10 * std::cos(0.025 * (float)z);
  EXPECT_EQ(o.workPoints[0].z, (float)z);
  EXPECT_EQ(o.workPoints[0].x, (float)x);
  EXPECT_EQ(o.workPoints[0].y, 0.0f);
  EXPECT_NEAR(o.workPoints[0].x, 9.77, 0.01);
  EXPECT_NEAR(o.workPoints[0].z, 8.61, 0.01);
}

TEST(Wave, TwistInAnyDirectionReadsTheTables) {
  Object3D o(testSpace());
  cube(o);
  o.wave(12, -7.3f); // negative angles per unit of y
  o.wave(12, 1e9f);  // angles far past the int range
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(std::isfinite(o.workPoints[i].x)) << i;
}

TEST(Morph, PhaseGoesBackAndForth) {
  Object3D a(testSpace()), b(testSpace());
  cube(a);
  cube(b);
  for (int i = 0; i < 8; ++i) b.points[i] = {a.points[i].x * 3, a.points[i].y * 3, a.points[i].z * 3};
  a.morphTowards(b, 1);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(a.workPoints[i].x, b.points[i].x);
  a.restorePoints();
  a.morphTowards(b, 2);
  EXPECT_EQ(a.workPoints[0].x, 50.0f);
  a.restorePoints();
  a.morphTowards(b, 2.5f);
  EXPECT_EQ(a.workPoints[0].x, 100.0f);
  a.restorePoints();
  a.morphTowards(b, 3);
  EXPECT_EQ(a.workPoints[0].x, 150.0f);
  a.restorePoints();
  a.morphTowards(b, 1e30f); // must end, like any other t
  EXPECT_EQ(a.workPoints[0].x, 50.0f);
}

TEST(Morph, OnlyPointsBothObjectsHave) {
  Object3D a(testSpace()), b(testSpace());
  cube(a);
  b.makeDefaults();
  ASSERT_TRUE(b.allocatePoints(3));
  for (int i = 0; i < 3; ++i) b.points[i] = {0, 0, 0};
  a.morphTowards(b, 1);
  EXPECT_EQ(a.workPoints[2].x, 0.0f);
  EXPECT_EQ(a.workPoints[3].x, -50.0f);
  EXPECT_EQ(a.workPoints[7].z, 50.0f);
}

TEST(Ripple, AmplitudeZeroAndTheAxis) {
  Object3D o(testSpace());
  cube(o);
  o.ripple(0, 3, 77);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(o.workPoints[i].z, o.points[i].z);
  o.workPoints[0] = {0, 0, 5};
  o.ripple(10, 3, 420.9f);
  EXPECT_EQ(o.workPoints[0].z, 5 + 10 * cosDegrees[60]);
}

TEST(Ripple, RingIndexFromDistance) {
  Object3D o(testSpace());
  cube(o);
  // R = half the diagonal of the 100 x 100 bounds; a point at distance R/2 with 1 ring is 180 degrees.
  float r = std::sqrt(50.0f * 50.0f + 50.0f * 50.0f);
  o.workPoints[1] = {r / 2, 0, 0};
  o.ripple(4, 1, 0);
  EXPECT_EQ(o.workPoints[1].z, 4 * cosDegrees[180]);
}

TEST(Ripple, NegativePhaseAndFlatBoundsStayInTheTable) {
  Object3D o(testSpace());
  cube(o);
  o.ripple(5, 2, -1000);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(std::isfinite(o.workPoints[i].z));
  o.sizeX = o.sizeY = 0; // R = 0: the ring index is not finite
  o.ripple(5, 2, 10);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(std::isfinite(o.workPoints[i].z));
}

TEST(TransformAndProject, OriginLandsAtTheCentre) {
  Object3D o(testSpace());
  cube(o);
  o.workPoints[0] = {0, 0, 0};
  o.transformAndProject(0, 0, 0, 0, 0, 700, 1, 1, 1, 320, 240);
  EXPECT_EQ(o.workPoints[0].x, 160.0f);
  EXPECT_EQ(o.workPoints[0].y, 120.0f);
  EXPECT_EQ(o.workPoints[0].z, 700.0f);
}

TEST(TransformAndProject, HalfTurnAboutXPutsUpBelow) {
  Object3D o(testSpace());
  cube(o);
  o.workPoints[0] = {0, 100, 0};
  o.transformAndProject(180, 0, 0, 0, 0, 700, 1, 1, 1, 320, 240);
  EXPECT_NEAR(o.workPoints[0].x, 160, 1e-3);
  EXPECT_NEAR(o.workPoints[0].y, 227.2, 0.05);
  EXPECT_NEAR(o.workPoints[0].z, 700, 1e-3);
  // The normals turn with the object: the cube's +z face (4, untouched by the moved point) now faces -z.
  EXPECT_NEAR(o.workFaceNormals[4].z, -1, 1e-6);
}

TEST(TransformAndProject, ScaleAppliesAfterTheTranslation) {
  Object3D o(testSpace());
  cube(o);
  o.workPoints[0] = {0, 0, 0};
  o.transformAndProject(0, 0, 0, 0, 0, 350, 1, 1, 2, 320, 240);
  EXPECT_EQ(o.workPoints[0].z, 700.0f);
}
