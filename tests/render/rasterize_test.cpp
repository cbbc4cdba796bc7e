// Scanline rasterizers: span ends, edge clipping, the strict depth test, lighting of a pixel,
// texel and table reads held in range, and polygons the 16.16 walk cannot hold.
#include <gtest/gtest.h>

#include <cmath>

#include "render/rasterize.h"
#include "render/render_support.h"

namespace {

ScanPolygon quad(float x0, float y0, float x1, float y1, float z, float shade = 0) {
  ScanPolygon p;
  p.count = 4;
  const float xs[4] = {x0, x1, x1, x0}, ys[4] = {y0, y0, y1, y1};
  for (int k = 0; k < 4; ++k) p.verts[k] = ScanVertex{xs[k], ys[k], z, 0, 0, shade};
  p.verts[4] = p.verts[0];
  p.colour = 0x102030;
  return p;
}

struct Raster : testing::Test {
  RenderStage stage;
  Object3D object{testSpace()};
  uint16_t* z = testSpace().depths;
  void SetUp() override {
    object.makeDefaults();
    testSpace().clearDepths();
  }
  uint32_t at(int x, int y) const { return stage.target.pixels[y * 320 + x]; }
};

} // namespace

TEST_F(Raster, SpanDrawsXlToXrMinusOneAndTheBottomRow) {
  fillShaded(&stage.target, quad(10, 5, 20, 8, 700), object);
  EXPECT_EQ(at(9, 6), 0u);
  EXPECT_NE(at(10, 6), 0u);
  EXPECT_NE(at(19, 6), 0u);
  EXPECT_EQ(at(20, 6), 0u);
  EXPECT_NE(at(10, 5), 0u);
  EXPECT_NE(at(10, 8), 0u); // the bottom row of every edge is filled
  EXPECT_EQ(at(10, 9), 0u);
  EXPECT_EQ(at(10, 4), 0u);
  EXPECT_EQ(z[6 * 320 + 10], 700);
}

TEST_F(Raster, ShadeZeroSaturatesAndShade89IsDim) {
  fillShaded(&stage.target, quad(10, 5, 20, 8, 700, 0), object);
  EXPECT_EQ(at(12, 6), 0xFFFFFFu); // full diffuse plus a 255 highlight
  ScanPolygon dim = quad(30, 5, 40, 8, 700, 89.5f);
  dim.colour = 0xFF8040;
  fillShaded(&stage.target, dim, object); // diffuse 4 / 256, no highlight
  EXPECT_EQ(at(32, 6), 0x030201u);
  fillShaded(&stage.target, quad(50, 5, 60, 8, 700, 10), object); // diffuse 251, highlight 161
  EXPECT_EQ(at(52, 6), 0xB0C0D0u);
}

TEST_F(Raster, SamePixelLeftAndRightDrawsNothing) {
  ScanPolygon thin = quad(15, 5, 15.9f, 30, 700);
  fillShaded(&stage.target, thin, object);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(at(x, y), 0u) << x << "," << y;
}

TEST_F(Raster, EqualDepthKeepsTheFirstPolygon) {
  ScanPolygon first = quad(10, 10, 30, 20, 700, 60);
  ScanPolygon second = quad(10, 10, 30, 20, 700, 60);
  second.colour = 0x400000;
  fillShaded(&stage.target, first, object);
  EXPECT_EQ(at(15, 15), 0x070F17u);
  fillShaded(&stage.target, second, object);
  EXPECT_EQ(at(15, 15), 0x070F17u);
  ScanPolygon nearer = quad(10, 10, 30, 20, 699, 60);
  nearer.colour = 0x400000;
  fillShaded(&stage.target, nearer, object);
  EXPECT_EQ(at(15, 15), 0x1F0000u); // 0x40 x 127 >> 8
  EXPECT_EQ(z[15 * 320 + 15], 699);
}

TEST_F(Raster, EdgeAboveTheTopIsSteppedToRowZero) {
  // A triangle from (0, -100) down to (100, 100): at row 0 its left edge has walked half way.
  ScanPolygon p;
  p.count = 3;
  p.verts[0] = ScanVertex{0, -100, 700, 0, 0, 0};
  p.verts[1] = ScanVertex{100, 100, 700, 0, 0, 0};
  p.verts[2] = ScanVertex{0, 100, 700, 0, 0, 0};
  p.verts[3] = p.verts[0];
  p.colour = 0xFFFFFF;
  fillShaded(&stage.target, p, object);
  EXPECT_NE(at(0, 0), 0u);
  EXPECT_NE(at(49, 0), 0u);
  EXPECT_EQ(at(50, 0), 0u); // xr = 50 is not drawn
  EXPECT_EQ(at(50, 1), 0u);
  EXPECT_NE(at(50, 2), 0u);
}

TEST_F(Raster, DepthInterpolatesAcrossTheSpan) {
  ScanPolygon p = quad(0, 0, 100, 2, 100);
  p.verts[1].z = p.verts[2].z = 300; // right side farther
  fillShaded(&stage.target, p, object);
  EXPECT_EQ(z[1 * 320 + 0], 100);
  EXPECT_EQ(z[1 * 320 + 50], 200);
  EXPECT_EQ(z[1 * 320 + 99], 298);
}

TEST_F(Raster, TexturedReadsPerspectiveCorrectTexels) {
  Bitmap texture(4, 1);
  for (int i = 0; i < 4; ++i) texture.pixels[i] = 0x10u * (i + 1);
  ScanPolygon p = quad(0, 0, 100, 1, 100, 60); // shade 60: diffuse 127, no highlight
  p.verts[1].u = p.verts[2].u = 4.5f;           // past the last column: reads are held at column 3
  fillTexturedLit(&stage.target, &texture, p, object);
  EXPECT_EQ(at(0, 0), (0x10u * 127) >> 8);
  EXPECT_EQ(at(49, 0), (0x30u * 127) >> 8);
  EXPECT_EQ(at(99, 0), (0x40u * 127) >> 8);
  // Depth growing to the right: u advances slowly at first. Column 49 is column 1 of the
  // texture, not the column 2 a linear interpolation would give; column 2 begins near 71.
  testSpace().clearDepths();
  p.verts[1].z = p.verts[2].z = 300;
  fillTexturedLit(&stage.target, &texture, p, object);
  EXPECT_EQ(at(49, 0), (0x20u * 127) >> 8);
  EXPECT_EQ(at(70, 0), (0x20u * 127) >> 8);
  EXPECT_EQ(at(75, 0), (0x30u * 127) >> 8);
}

TEST_F(Raster, BumpShadeIsClampedAndNegativeCoordinatesWrap) {
  Bitmap texture(8, 8);
  for (int i = 0; i < 64; ++i) texture.pixels[i] = 0x808080;
  BumpMap bump;
  bump.width = 2;
  bump.height = 2;
  bump.data.reset(new int8_t[4]{127, 127, 127, 127});
  bump.bias = 32;
  bump.scale = 128; // d = (127 + 32) x 128 >> 8 = 79: shade 60 - 79 clamps to 0
  ScanPolygon p = quad(0, 0, 10, 2, 100, 60);
  for (auto& v : p.verts) v.u = -5; // a negative u wraps into the bump map and clamps in the texture
  fillBumpLit(&stage.target, &texture, &bump, p, object);
  EXPECT_EQ(at(3, 1), 0xFFFFFFu);
  bump.scale = -512; // d = -318: the shade clamps to 89
  testSpace().clearDepths();
  fillBumpLit(&stage.target, &texture, &bump, p, object);
  EXPECT_EQ(at(3, 1), 0x020202u);
}

TEST_F(Raster, PolygonsTheWalkCannotHoldAreRejected) {
  fillShaded(&stage.target, quad(10, 10, 20, 20, 32768), object);
  fillShaded(&stage.target, quad(10, 10, 20, 20, NAN), object);
  fillShaded(&stage.target, quad(10, 10, NAN, 20, 700), object);
  fillShaded(&stage.target, quad(10, 10, 3e9f, 20, 700), object);
  EXPECT_EQ(hashPixels(stage.target), hashPixels(Bitmap(320, 240)));
  fillShaded(&stage.target, quad(10, 10, 20, 20, 32767), object);
  EXPECT_NE(at(15, 15), 0u);
  EXPECT_EQ(z[15 * 320 + 15], 32767);
}

TEST_F(Raster, WideQuadStepsWithoutOverflow) {
  // x from -30000 to 30000 across 2 rows: (xb - xa) << 16 does not fit 32 bits.
  ScanPolygon p;
  p.count = 3;
  p.verts[0] = ScanVertex{-30000, 0, 700, 0, 0, 0};
  p.verts[1] = ScanVertex{30000, 2, 700, 0, 0, 0};
  p.verts[2] = ScanVertex{-30000, 2, 700, 0, 0, 0};
  p.verts[3] = p.verts[0];
  fillShaded(&stage.target, p, object);
  EXPECT_NE(at(0, 2), 0u);
  EXPECT_NE(at(318, 2), 0u);
  EXPECT_NE(at(319, 2), 0u); // a span past the right edge draws the frame's last column too
  EXPECT_EQ(at(0, 1), 0u);   // row 1 runs from -30000 to 0: nothing on screen
}

TEST_F(Raster, PolygonsPastTheRightEdgeLeaveTheLastColumnAlone) {
  // The first quad leaves its depth and shade in the edge table; the second lies wholly past the
  // frame on its rows, and the third starts exactly on the last column, which it draws as its own.
  fillShaded(&stage.target, quad(100, 10, 200, 30, 700), object);
  uint32_t drawn = at(150, 20);
  fillShaded(&stage.target, quad(330, 10, 400, 30, 600), object);
  EXPECT_EQ(at(319, 20), 0u);
  fillShaded(&stage.target, quad(319, 40, 400, 50, 800), object);
  EXPECT_EQ(at(319, 45), drawn);
  EXPECT_EQ(z[45 * 320 + 319], 800);
}

TEST(RasterTarget, TallerThan1280RowsOrLargerThanTheDepthBufferDrawsNothing) {
  Object3D object(testSpace());
  object.makeDefaults();
  Bitmap tall(1, 1281);
  fillShaded(&tall, quad(0, 0, 1, 1281, 700), object);
  EXPECT_EQ(tall.pixels[5], 0u);
  Bitmap wide(400, 240);
  fillShaded(&wide, quad(0, 0, 400, 10, 700), object);
  EXPECT_EQ(wide.pixels[5], 0u);
}
