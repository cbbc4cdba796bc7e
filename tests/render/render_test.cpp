// Object3D::render: culling by the camera, the near and on-screen tests, per-corner shade and
// environment coordinates, the restore afterwards, and golden frames of whole objects.
#include <gtest/gtest.h>

#include <cmath>

#include "objects/lwo_writer.h"
#include "render/render.h"
#include "render/render_support.h"

namespace {

// One triangle already "projected": screen corners at the given depth, every normal set to n.
struct OneFace : testing::Test {
  RenderStage stage;
  Object3D o{testSpace()};
  void SetUp() override {
    o.makeDefaults();
    o.faceCount = 1;
    stage.attach(o);
    o.lightCount = 0;
    o.faces[0].colour = 0xFF8040;
  }
  void pose(Vec3 a, Vec3 b, Vec3 c, Vec3 normal) {
    o.workPoints[0] = a;
    o.workPoints[1] = b;
    o.workPoints[2] = c;
    o.faces[0].index[0] = 0;
    o.faces[0].index[1] = 1;
    o.faces[0].index[2] = 2;
    o.workFaceNormals[0] = normal;
    for (int i = 0; i < 3; ++i) o.workPointNormals[i] = normal;
  }
  void standard(float z = 500, Vec3 normal = {0, 0, -1}) { pose({50, 50, z}, {50, 150, z}, {150, 50, z}, normal); }
  bool drawn(int mode) {
    testSpace().clearDepths();
    stage.target.clear();
    o.render(&stage.target, mode);
    return stage.target.pixels[60 * 320 + 60] != 0;
  }
};

} // namespace

TEST(AngleBetween, ClampsTheCosine) {
  Vec3 v{0.6f, 0.8f, 0};
  EXPECT_EQ(angleBetween(v, v), 0.0f); // the dot of a unit vector with itself can exceed 1
  Vec3 w{1e-3f, 1e-3f, 1e-3f};
  EXPECT_FALSE(std::isnan(angleBetween(w, w)));
  EXPECT_NEAR(angleBetween({1, 0, 0}, {-1, 0, 0}), 180, 1e-4);
  EXPECT_NEAR(angleBetween({1, 0, 0}, {0, 2, 0}), 90, 1e-4);
  EXPECT_NEAR(angleBetween({0, 0, 0}, {0, 2, 0}), 90, 1e-4); // no length: acos(0)
}

TEST_F(OneFace, CullingAt89Point9Degrees) {
  float a = 89.9f * (float)M_PI / 180;
  standard(500, {std::sin(a), 0, -std::cos(a)});
  EXPECT_TRUE(drawn(Shaded));
  standard(500, {std::sin(a), 0, -std::cos(a)});
  EXPECT_FALSE(drawn(EnvMap));
  standard(500, {std::sin(a), 0, -std::cos(a)});
  EXPECT_FALSE(drawn(BumpEnvMap));
  standard(500, {0, 0, 1}); // turned away
  EXPECT_FALSE(drawn(Shaded));
  standard(500, {0, 0, -1});
  EXPECT_TRUE(drawn(EnvMap));
}

TEST_F(OneFace, NearCornerAtDepthOneIsDropped) {
  pose({50, 50, 500}, {50, 150, 1.0f}, {150, 50, 500}, {0, 0, -1});
  EXPECT_FALSE(drawn(Shaded));
  pose({50, 50, 500}, {50, 150, 1.001f}, {150, 50, 500}, {0, 0, -1});
  EXPECT_TRUE(drawn(Shaded));
}

TEST_F(OneFace, OnScreenTestUsesXAndYSeparately) {
  // No corner lies inside the target, but one is inside its columns and another inside its rows.
  pose({100, -50, 500}, {-120, -120, 500}, {-50, 100, 500}, {0, 0, -1});
  testSpace().clearDepths();
  o.render(&stage.target, Shaded);
  EXPECT_NE(stage.target.pixels[5 * 320 + 5], 0u);
  // All corners left of the target: skipped before the rasterizer.
  pose({-10, 50, 500}, {-20, 150, 500}, {-5, 60, 500}, {0, 0, -1});
  EXPECT_FALSE(drawn(Shaded));
}

TEST_F(OneFace, ShadeFromNoLightsOneLightAndTwo) {
  standard();
  drawn(Shaded);
  EXPECT_EQ(stage.target.pixels[60 * 320 + 60], 0x030201u); // shade 89
  o.addLight(&stage.light); // along the normal: shade 0 saturates
  standard();
  drawn(Shaded);
  EXPECT_EQ(stage.target.pixels[60 * 320 + 60], 0xFFFFFFu);
  // A light at 60 degrees gives 30 of shade; two of them add up to 60 (shade 29).
  Light tilted;
  tilted.direction = {std::sin(60 * (float)M_PI / 180), 0, -std::cos(60 * (float)M_PI / 180)};
  o.lightCount = 0;
  o.addLight(&tilted);
  standard();
  drawn(Shaded);
  uint32_t one = stage.target.pixels[60 * 320 + 60];
  o.addLight(&tilted);
  standard();
  drawn(Shaded);
  uint32_t two = stage.target.pixels[60 * 320 + 60];
  auto expect = [&](int s) {
    int m = o.diffuseMul[s], a = o.specularAdd[s];
    auto ch = [&](int k) { return std::min(255, ((k * m) >> 8) + a); };
    return (uint32_t)(ch(0xFF) << 16 | ch(0x80) << 8 | ch(0x40));
  };
  // 90 - 60 in float arithmetic may land a hair either side of 30.
  EXPECT_TRUE(one == expect(59) || one == expect(60)) << std::hex << one;
  EXPECT_TRUE(two == expect(29) || two == expect(30)) << std::hex << two;
}

TEST_F(OneFace, RenderRestoresTheWorkingArrays) {
  standard();
  drawn(Shaded);
  for (int i = 0; i < o.pointCount; ++i) {
    EXPECT_EQ(o.workPoints[i].x, o.points[i].x);
    EXPECT_EQ(o.workPointNormals[i].z, o.pointNormals[i].z);
  }
  EXPECT_EQ(o.workFaceNormals[0].z, o.faceNormals[0].z);
  standard();
  EXPECT_FALSE(drawn(5)); // an unknown mode draws nothing but still restores
  EXPECT_EQ(o.workPoints[0].z, o.points[0].z);
}

namespace {

struct Golden : testing::Test {
  RenderStage stage;
  Object3D cube{testSpace()}, sphere{testSpace()};
  void SetUp() override {
    ASSERT_EQ(loadBytes(cube, LwoWriter().bytes()), "");
    ASSERT_EQ(loadBytes(sphere, sphereLwoBytes(24, 16, 1, 0x60A0E0)), "");
    stage.attach(cube);
    stage.attach(sphere);
    stage.light.position = {100, -100, -300};
    stage.light.update(0, 0, 0);
  }
};

} // namespace

TEST_F(Golden, CubeAndSphereInEachMode) {
  // Flat, textured, environment mapped and bump mapped, each from its own pose.
  const uint64_t expected[2][4] = {{0x1211e53949f08b44ull, 0x34065cc1d2433f37ull, 0xa3dc056c74765880ull, 0xc6872d41e3bb069eull},
                                   {0x85b444f3cd28a921ull, 0x832f425de45198d4ull, 0x5945d7ecd25b3865ull, 0xb3eb956d0df0e566ull}};
  const float poses[2][4][3] = {{{30, 40, 0}, {30, 40, 0}, {30, 40, 0}, {30, 40, 0}},
                                {{180, 20, 0}, {180, 20, 0}, {270, 0, 10}, {270, 0, 10}}};
  const int modes[4] = {Shaded, Shaded, EnvMap, BumpEnvMap};
  Object3D* objects[2] = {&cube, &sphere};
  for (int k = 0; k < 2; ++k)
    for (int m = 0; m < 4; ++m) {
      objects[k]->textured = m == 1;
      const float* a = poses[k][m];
      EXPECT_EQ(stage.draw(*objects[k], modes[m], a[0], a[1], a[2], 700), expected[k][m]) << k << " " << m;
    }
  sphere.bumpMap = nullptr; // without a bump map, mode 7 draws as mode 6
  EXPECT_EQ(stage.draw(sphere, BumpEnvMap, 270, 0, 10, 700), expected[1][2]);
}

TEST_F(Golden, SphereDepthsAreNearTheCentreDepth) {
  stage.draw(sphere, Shaded, 0, 0, 0, 700);
  const uint16_t* z = testSpace().depths;
  EXPECT_GE(z[120 * 320 + 160], 570); // radius 120 in front of 700
  EXPECT_LE(z[120 * 320 + 160], 585);
  EXPECT_EQ(z[0], 0xFFFF);
  EXPECT_NE(stage.target.pixels[120 * 320 + 160], 0u);
  EXPECT_EQ(stage.target.pixels[0], 0u);
}
