// Cost of each 2D effect on a 320 x 240 picture, reported as nanoseconds per pixel
// (the "ns_per_px" counter) so effects of different kinds compare directly.
#include <benchmark/benchmark.h>

#include <memory>

#include "image/bitmap.h"
#include "core/random.h"

namespace {

constexpr int W = 320, H = 240;

// The two scratch pictures of a render of this size, as the demo lends them to effects.
const EffectScratch& scratch() {
  static const EffectScratch big{new Bitmap(5 * W, 5 * H), new Bitmap(5 * W, 5 * H)};
  return big;
}

std::unique_ptr<Bitmap> picture() {
  auto b = std::make_unique<Bitmap>(W, H);
  zub::demoRandReset();
  for (int i = 0; i < W * H; ++i) b->pixels[i] = (uint32_t)zub::demoRand() * 0x9E37u & 0xFFFFFF;
  return b;
}

template <typename Op>
void run(benchmark::State& state, Op op, double pixelsPerCall = W * H) {
  scratch();
  auto src = picture();
  auto dst = std::make_unique<Bitmap>(W, H);
  for (auto _ : state) {
    op(*src, *dst);
    benchmark::ClobberMemory();
  }
  // An inverted rate: seconds per pixel, printed with an "n" (nano) or "p" (pico) prefix.
  state.counters["ns_per_px"] = benchmark::Counter((double)state.iterations() * pixelsPerCall,
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

// One benchmark per effect: s is the picture the effect is called on, d a render-size destination.
#define EFFECT(name, body)                                                 \
  static void BM_##name(benchmark::State& state) {                         \
    run(state, [](Bitmap& s, Bitmap& d) { (void)s, (void)d; body; }); \
  }                                                                        \
  BENCHMARK(BM_##name)

EFFECT(blur_cross, s.blur_cross());
EFFECT(blur_horizontal, s.blur_horizontal());
EFFECT(fire, s.fire());
EFFECT(edges, s.edges(4.0f, scratch()));
EFFECT(scale_percent, s.scale_percent(scratch().a, 100.0f, 100.0f));
EFFECT(scale_to, s.scale_to(&d, W, H));
EFFECT(zoom_crop, s.zoom_crop(&d, 40, 30));
EFFECT(zoom_feedback, s.zoom_feedback(8, scratch()));
EFFECT(zoom_marked, s.zoom_marked(&d, 164, 136, 156, 64, 0.5f, 0x00FF00, scratch()));
EFFECT(zoom_window, s.zoom_window(&d, 120, 80, 60, 60, 0.5f, scratch()));
EFFECT(tile, s.tile(&d, 0.5f, 0.5f, scratch()));
EFFECT(wave_horizontal, s.wave_horizontal(&d, 1.0f, 0.1f, 40.0f));
EFFECT(wave_vertical, s.wave_vertical(2.0f, 1.0f, 40.0f, scratch()));
EFFECT(rotate, s.rotate(&d, 30));
EFFECT(swirl, s.swirl(&d, 200));
EFFECT(horizlinescroll, s.horizlinescroll(&d, 0.95f));

// The cross lines of zoom_marked, per pixel of line drawn (319 + 239) rather than per frame pixel.
static void BM_drawLineAA_cross(benchmark::State& state) {
  run(
      state,
      [](Bitmap&, Bitmap& d) {
        d.drawLineAA(0.0f, 120.5f, 319.0f, 120.5f, 0x00FF00);
        d.drawLineAA(160.5f, 0.0f, 160.5f, 239.0f, 0x00FF00);
      },
      319 + 239);
}
BENCHMARK(BM_drawLineAA_cross);

// A steep diagonal line, per step of its walk (240 rows).
static void BM_drawLineAA_diagonal(benchmark::State& state) {
  run(state, [](Bitmap&, Bitmap& d) { d.drawLineAA(10.0f, 0.0f, 200.0f, 239.0f, 0xFF8040); }, 240);
}
BENCHMARK(BM_drawLineAA_diagonal);
