// Shared set-up for the effect tests: the scratch pictures of a 320 x 240 render (bigA and bigB,
// lent to effects as `big`, and a render-size one) and helpers to build pictures and compare them pixel by pixel.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "image/bitmap.h"
#include "core/random.h"

class EffectTest : public ::testing::Test {
protected:
  void SetUp() override {
    bigA = std::make_unique<Bitmap>(1600, 1200);
    bigB = std::make_unique<Bitmap>(1600, 1200);
    renderScratch = std::make_unique<Bitmap>(320, 240);
    big = {bigA.get(), bigB.get()};
    zub::demoRandReset();
  }
  std::unique_ptr<Bitmap> bigA, bigB, renderScratch;
  EffectScratch big;
};

inline std::unique_ptr<Bitmap> filled(int w, int h, uint32_t colour) {
  auto b = std::make_unique<Bitmap>(w, h);
  for (int64_t i = 0; i < (int64_t)w * h; ++i) b->pixels[i] = colour;
  return b;
}

// Every pixel distinct and made from its position, so any misplaced copy shows.
inline std::unique_ptr<Bitmap> numbered(int w, int h) {
  auto b = std::make_unique<Bitmap>(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b->pixels[(int64_t)y * w + x] = (uint32_t)(y << 12 | x) + 1;
  return b;
}

inline uint32_t at(const Bitmap& b, int x, int y) { return b.pixels[(int64_t)y * b.width + x]; }
inline uint32_t grey(uint32_t v) { return v * 0x010101; }

// Checks every pixel against want(x, y), reporting the first difference only.
template <typename Want>
void expectEach(const Bitmap& b, Want want) {
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x)
      if (at(b, x, y) != (uint32_t)want(x, y)) {
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << at(b, x, y) << ", want " << want(x, y);
        return;
      }
}
