// Angle reduction, rotation by the whole-degree tables, projection and the light's update.
#include <gtest/gtest.h>

#include <cmath>

#include "core/trig_tables.h"
#include "objects/geometry.h"
#include "objects/test_support.h"

// Every caller reads the same entry it read when the tables were stored twice (720 entries) and
// each file reduced angles its own way: 900 degrees used to select the second copy of 180.
TEST(Angles, ReductionToTableIndices) {
  EXPECT_EQ(degreeIndex(-90.7f), 270);
  EXPECT_EQ(degreeIndex(360.0f), 0);
  EXPECT_EQ(degreeIndex(359.9f), 359);
  EXPECT_EQ(degreeIndex(900.0f), 180);
  EXPECT_EQ(degreeIndex(-360.5f), 0);
  EXPECT_EQ(degreeIndex(-0.5f), 0);
  EXPECT_EQ(degreeIndex(-1.5), 359);
  EXPECT_EQ(degreeIndex(1079.0f), 359);
  EXPECT_EQ(degreeIndex(-1), 359);
  EXPECT_EQ(degreeIndex(-360), 0);
  EXPECT_EQ(degreeIndex(725), 5);
  EXPECT_EQ(degreeIndex(INT32_MIN), 232);
}

TEST(Angles, FarAndNonFiniteAnglesStayInRange) {
  EXPECT_EQ(degreeIndex(1080.0f), 0);
  EXPECT_EQ(degreeIndex(-361.0f), 359);
  EXPECT_EQ(degreeIndex(-1000.5f), 80);
  EXPECT_EQ(degreeIndex(3e9), 120);
  EXPECT_EQ(degreeIndex(-3e9), 240);
  EXPECT_EQ(degreeIndex(1e20f), (int)std::fmod((double)1e20f, 360.0));
  EXPECT_EQ(degreeIndex(NAN), 0);
  EXPECT_EQ(degreeIndex((double)INFINITY), 0);
  EXPECT_EQ(degreeIndex(-(double)INFINITY), 0);
}

TEST(Rotation, QuarterTurnsAboutXAndZ) {
  Vec3 p{0, 1, 0};
  rotatePoints(&p, &p, 1, 90, 0, 0);
  EXPECT_NEAR(p.x, 0, 1e-6);
  EXPECT_NEAR(p.y, 0, 1e-6);
  EXPECT_NEAR(p.z, 1, 1e-6);
  Vec3 q;
  rotateVector(1, 0, 0, q, 0, 0, 90);
  EXPECT_NEAR(q.x, 0, 1e-6);
  EXPECT_NEAR(q.y, 1, 1e-6);
  Vec3 r;
  rotateVector(1, 0, 0, r, 0, 90, 0); // about y, x turns toward -z
  EXPECT_NEAR(r.z, -1, 1e-6);
}

TEST(Rotation, OrderIsXThenYThenZ) {
  Vec3 p;
  rotateVector(0, 1, 0, p, 90, 90, 0); // y -> z about x, then z -> x about y
  EXPECT_NEAR(p.x, 1, 1e-6);
  EXPECT_NEAR(p.y, 0, 1e-6);
  EXPECT_NEAR(p.z, 0, 1e-6);
}

TEST(Projection, CentreAndOffsets) {
  Vec3 points[3] = {{0, 0, 50}, {0, 0, 5000}, {100, 0, 700}};
  projectPoints(points, 3, 320, 240);
  EXPECT_EQ(points[0].x, 160.0f);
  EXPECT_EQ(points[0].y, 120.0f);
  EXPECT_EQ(points[1].x, 160.0f);
  EXPECT_EQ(points[1].z, 5000.0f);
  EXPECT_NEAR(points[2].x, 160 + 107.185, 0.01); // about 160 + 1.08 x
  EXPECT_EQ(points[2].y, 120.0f);
  EXPECT_EQ(points[2].z, 700.0f);
}

TEST(Light, UpdateAimsAtThePositionTurnedByTheAngles) {
  Light light;
  light.position = {100, -100, -100};
  light.update(0, 0, 0);
  EXPECT_FLOAT_EQ(light.direction.x, 0.57735026f);
  EXPECT_FLOAT_EQ(light.direction.y, -0.57735026f);
  light.update(0, 180, 0);
  EXPECT_NEAR(light.rotated.x, -100, 1e-4);
  EXPECT_NEAR(light.rotated.z, 100, 1e-4);
  EXPECT_EQ(light.position.x, 100.0f); // the position itself never turns
  light.position = {0, 0, 0.005f};
  light.update(0, 0, 0);
  EXPECT_EQ(light.direction.z, 0.005f);
}
