// The effects' wide loops against the portable ones, on random and saturated pixels, at lengths
// around the vector widths, and for the mix also onto overlapping pixels as a blit onto itself
// makes them.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "effects/effect_kernels.h"

namespace {

TEST(EffectKernels, WideLoopsMatchPortable) {
  const EffectKernels* portable = effectKernels(false);
  const EffectKernels* wide = effectKernels(true);
  ASSERT_NE(portable, nullptr);
  if (!wide) GTEST_SKIP() << "no AVX2 effect loops in this build or on this processor";
  std::mt19937 random(3);
  for (int fill = 0; fill < 3; ++fill) {
    auto pixel = [&]() -> uint32_t {
      if (fill == 0) return (uint32_t)random();
      if (fill == 1) return random() % 2 ? 0xFFFFFFFFu : 0u;
      return (uint32_t)random() & 0x00FF00FF;
    };
    for (int n : {1, 3, 7, 8, 9, 15, 16, 17, 31, 33, 64, 65, 320}) {
      std::vector<uint32_t> src(n), a(n + 40), b;
      for (uint32_t& p : src) p = pixel();
      for (uint32_t& p : a) p = pixel();
      for (uint32_t u : {0u, 1u, 127u, 128u, 254u, 255u}) {
        b = a;
        std::vector<uint32_t> c = a;
        portable->mixRow(c.data(), src.data(), n, u);
        wide->mixRow(b.data(), src.data(), n, u);
        ASSERT_EQ(b, c) << "mix " << n << " u " << u;
        // Onto the same pixels, a few places to either side.
        for (int shift : {1, 3, 8, 20}) {
          std::vector<uint32_t> d = a, e = a;
          portable->mixRow(d.data() + shift, d.data(), n, u);
          wide->mixRow(e.data() + shift, e.data(), n, u);
          ASSERT_EQ(d, e) << "mix onto itself " << n << " shift " << shift;
          d = a, e = a;
          portable->mixRow(d.data(), d.data() + shift, n, u);
          wide->mixRow(e.data(), e.data() + shift, n, u);
          ASSERT_EQ(d, e) << "mix onto itself " << n << " shift -" << shift;
        }
        const uint32_t colour = pixel();
        c = a, b = a;
        portable->mixColourRow(c.data(), n, colour, u);
        wide->mixColourRow(b.data(), n, colour, u);
        ASSERT_EQ(b, c) << "mix colour " << n << " u " << u;
      }
    }
    // The edge pass over whole pictures, at gains that truncate, clamp at either end, or are not
    // numbers at all.
    for (int w : {1, 2, 5, 8, 17, 33}) {
      const int h = 9;
      std::vector<uint32_t> src((size_t)w * h);
      for (uint32_t& p : src) p = pixel();
      for (double gain : {0.0, 0.5, 1.0, (double)(1.0f / 3.0f), 2.5, 6.0, 10.0, 1e12, -3.0, std::nan("")}) {
        std::vector<uint32_t> a((size_t)w * h, 0xDEADBEEF), b = a;
        portable->edgePixels(src.data(), a.data(), w, (int64_t)w * h, w, gain);
        wide->edgePixels(src.data(), b.data(), w, (int64_t)w * h, w, gain);
        ASSERT_EQ(a, b) << "edges " << w << " wide, gain " << gain;
      }
    }
  }
}

} // namespace
