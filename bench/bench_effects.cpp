// Cost of each 2D effect on a 320 x 240 picture, reported as nanoseconds per pixel
// (the "ns_per_px" counter) so effects of different kinds compare directly.
#include <benchmark/benchmark.h>

#include <memory>

#include "image/bitmap.h"
#include "shell/engine_context.h"
#include "shell/random.h"

namespace {

constexpr int W = 320, H = 240;

EngineContext& context() {
  static EngineContext* ctx = [] {
    auto* c = new EngineContext(W, H);
    setEngine(c);
    return c;
  }();
  return *ctx;
}

std::unique_ptr<Bitmap> picture() {
  auto b = std::make_unique<Bitmap>(W, H);
  zub::demoRandReset();
  for (int i = 0; i < W * H; ++i) b->pixels[i] = (uint32_t)zub::demoRand() * 0x9E37u & 0xFFFFFF;
  return b;
}

template <typename Op>
void run(benchmark::State& state, Op op) {
  context();
  auto src = picture();
  auto dst = std::make_unique<Bitmap>(W, H);
  for (auto _ : state) {
    op(*src, *dst);
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_px"] =
      benchmark::Counter((double)state.iterations() * W * H, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

// The rate counter inverted gives seconds per pixel; Google Benchmark prints it with an "n" (nano) suffix.
#define EFFECT(name, body)                                                                                       \
  static void BM_##name(benchmark::State& state) { run(state, [](Bitmap & s, Bitmap & d) { (void)d; body; }); } \
  BENCHMARK(BM_##name)

EFFECT(blur_cross, s.blur_cross());
EFFECT(blur_horizontal, s.blur_horizontal());
EFFECT(fire, s.fire());
EFFECT(edges, s.edges(4.0f));
EFFECT(scale_percent, s.scale_percent(context().bigA.get(), 100.0f, 100.0f));
EFFECT(scale_to, s.scale_to(&d, W, H));
EFFECT(zoom_crop, s.zoom_crop(&d, 40, 30));
EFFECT(zoom_feedback, s.zoom_feedback(8));
EFFECT(zoom_marked, s.zoom_marked(&d, 164, 136, 156, 64, 0.5f, 0x00FF00));
EFFECT(zoom_window, s.zoom_window(&d, 120, 80, 60, 60, 0.5f));
EFFECT(tile, s.tile(&d, 0.5f, 0.5f));
