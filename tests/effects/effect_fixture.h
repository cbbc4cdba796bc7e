// Shared set-up for the effect tests: a render-size engine context (bigA, bigB, the trig tables)
// and helpers to build pictures and compare them pixel by pixel.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "image/bitmap.h"
#include "core/engine_context.h"
#include "core/random.h"

class EffectTest : public ::testing::Test {
protected:
  void SetUp() override {
    ctx = std::make_unique<EngineContext>(320, 240);
    setEngine(ctx.get());
    zub::demoRandReset();
  }
  std::unique_ptr<EngineContext> ctx;
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
