// Anti-aliased plot and line: weights, end points, branch choice and clipping on small pictures.
#include <cmath>
#include <map>
#include <vector>

#include "effect_fixture.h"

namespace {
constexpr uint32_t kWhite = 0xFFFFFF;
// Expected picture: the listed pixels as given, every other one the background.
auto except(uint32_t background, std::map<std::pair<int, int>, uint32_t> changed) {
  return [=](int x, int y) { return changed.count({x, y}) ? changed.at({x, y}) : background; };
}
} // namespace

TEST(PlotPixelAA, SplitsWeightWithPixelBelow) {
  auto b = filled(6, 6, 0);
  b->plotPixelAA(2.9f, 3.25f, kWhite);  // weights trunc(0.75 x 255) = 191 and trunc(0.25 x 255) = 63
  expectEach(*b, except(0, {{{2, 3}, grey(190)}, {{2, 4}, grey(62)}}));
  auto c = filled(4, 4, 0xFF64C8FF);
  c->plotPixelAA(1.0f, 1.0f, 0);  // weight 0 below: each channel c x 255 >> 8, top byte cleared
  expectEach(*c, except(0xFF64C8FF, {{{1, 1}, 0}, {{1, 2}, 0x63C7FE}}));
  // f = 1e-9: 1 - f is not rounded to 1 first, so the near weight is 254, not 255.
  auto d = filled(4, 4, 0);
  d->plotPixelAA(1.0f, 1e-9f, kWhite);
  expectEach(*d, except(0, {{{1, 0}, grey(253)}}));
}

TEST(PlotPixelAA, SkipsLastColumnRowAndOutside) {
  auto b = filled(4, 4, 0);
  for (float v : {3.0f, 3.5f, -1.0f, -1e30f, 1e30f, NAN}) {
    b->plotPixelAA(v, 1.0f, kWhite);
    b->plotPixelAA(1.0f, v, kWhite);
  }
  b->plotPixelAA(-0.5f, -0.5f, kWhite);  // truncates to (0, 0), f = 0.5
  expectEach(*b, except(0, {{{0, 0}, grey(126)}, {{0, 1}, grey(126)}}));
}

TEST(DrawLineAA, StraightLinesCoverStartNotEndAndDarkenTheNeighbour) {
  for (auto [from, to] : {std::pair{2.0f, 6.0f}, std::pair{6.0f, 2.0f}}) {
    auto v = filled(8, 8, grey(100));
    v->drawLineAA(3.0f, from, 3.0f, to, kWhite);  // rows 2..5; right neighbour weight 0
    expectEach(*v, [](int x, int y) { return grey(y < 2 || y >= 6 ? 100 : x == 3 ? 254 : x == 4 ? 99 : 100); });
  }
  auto h = filled(8, 8, grey(100));
  h->drawLineAA(5.7f, 2.2f, 1.9f, 2.2f, kWhite);  // columns trunc(1.9) .. trunc(5.7) - 1, row 2
  expectEach(*h, [](int x, int y) { return grey(x < 1 || x >= 5 ? 100 : y == 2 ? 254 : y == 3 ? 99 : 100); });
}

TEST(DrawLineAA, StraightLinesClipPixelByPixel) {
  auto b = filled(8, 8, 0);
  b->drawLineAA(7.0f, 0.0f, 7.0f, 8.0f, kWhite);  // last column and last row: never written
  b->drawLineAA(0.0f, 7.0f, 8.0f, 7.0f, kWhite);
  b->drawLineAA(-3.0f, -9.0f, -3.0f, 20.0f, kWhite);
  b->drawLineAA(-1e30f, 5.0f, 1e30f, 5.0f, kWhite);
  b->drawLineAA(2.0f, -1e30f, 2.0f, 1e30f, kWhite);
  // (3, 5), on the row, is darkened again as the column's right neighbour.
  expectEach(*b, [](int x, int y) {
    return x == 3 && y == 5 ? grey(253) : (y == 5 && x < 7) || (x == 2 && y < 7) ? grey(254) : 0;
  });
}

TEST(DrawLineAA, FortyFiveDegreesIsSteepAndIncludesEndPoint) {
  // The steep branch darkens the right neighbour; the shallow one would darken the pixel below.
  auto b = filled(8, 8, grey(100));
  b->drawLineAA(1.0f, 1.0f, 4.0f, 4.0f, kWhite);
  expectEach(*b, [](int x, int y) { return grey(y < 1 || y > 4 ? 100 : x == y ? 254 : x == y + 1 ? 99 : 100); });
}

TEST(DrawLineAA, SteepLineSplitsAcrossColumnsInEitherDirection) {
  // x = 0, 0.25, 0.5, 0.75, 1 on rows 0..4: weights 255/0, 191/63, 127/127, 63/191, 255/0.
  const uint32_t left[] = {254, 190, 126, 62, 0}, right[] = {0, 62, 126, 190, 254};
  for (bool reversed : {false, true}) {
    auto b = filled(6, 6, 0);
    if (reversed) b->drawLineAA(1.0f, 4.0f, 0.0f, 0.0f, kWhite);
    else b->drawLineAA(0.0f, 0.0f, 1.0f, 4.0f, kWhite);
    expectEach(*b, [&](int x, int y) { return y < 5 && x < 2 ? grey(x == 0 ? left[y] : right[y]) : 0; });
  }
}

TEST(DrawLineAA, ShallowLinePlotsEveryColumnToTheEnd) {
  auto b = filled(6, 6, 0);
  b->drawLineAA(4.0f, 3.0f, 0.0f, 1.0f, kWhite);  // leftwards, y = 3, 2.5, 2, 1.5, 1
  expectEach(*b, except(0, {{{4, 3}, grey(254)}, {{3, 2}, grey(126)}, {{3, 3}, grey(126)}, {{2, 2}, grey(254)},
                            {{1, 1}, grey(126)}, {{1, 2}, grey(126)}, {{0, 1}, grey(254)}}));
}

TEST(DrawLineAA, UnusableCoordinatesDrawNothing) {
  auto b = filled(6, 6, 0);
  b->drawLineAA(NAN, 1.0f, 3.0f, 2.0f, kWhite);
  b->drawLineAA(1.0f, 1.0f, 1.0f, NAN, kWhite);
  b->drawLineAA(INFINITY, 1.0f, 3.0f, 2.0f, kWhite);
  b->drawLineAA(0.0f, -1e30f, 3.0f, 1e30f, kWhite);  // a walk from beyond 2^24 would never advance
  b->drawLineAA(-1e30f, 0.0f, 1e30f, 3.0f, kWhite);
  b->drawLineAA(4.0f, 3.0f, 1e30f, 3.5f, kWhite);    // shallow, walks right until it leaves
  expectEach(*b, except(0, {{{4, 3}, grey(254)}}));
}

// A picture one pixel tall (or wide) has no inside pixel at all: nothing may land in the row
// (or column) past it. The picture borrows the first row of a larger buffer, so a stray write
// shows in the guard row instead of corrupting the heap.
TEST(PlotPixelAA, OnePixelTallOrWidePicturesAreNeverWritten) {
  constexpr uint32_t kGuard = 0x123456;
  for (bool tall : {false, true}) {
    std::vector<uint32_t> memory(10, kGuard);
    Bitmap b(tall ? 1 : 5, tall ? 5 : 1);
    b.borrowPixels(memory.data());
    float along = 2.0f, across = -0.5f;  // truncates to 0 across, which is the last (only) index
    float x = tall ? across : along, y = tall ? along : across;
    b.plotPixelAA(x, y, kWhite);
    b.drawLineAA(tall ? across : 0.0f, tall ? 0.0f : across, tall ? across : 4.0f, tall ? 4.0f : across, kWhite);
    b.drawLineAA(tall ? -0.9f : 0.0f, tall ? 0.0f : -0.9f, tall ? -0.2f : 4.0f, tall ? 4.0f : -0.2f, kWhite);
    b.drawLineAA(0.0f, 0.0f, tall ? 0.0f : 4.0f, tall ? 4.0f : 0.0f, kWhite);
    for (size_t i = 0; i < memory.size(); ++i) EXPECT_EQ(memory[i], kGuard) << (tall ? "1 x 5, " : "5 x 1, ") << i;
  }
}
