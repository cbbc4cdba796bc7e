// Blends and colour operations on a 320 x 240 frame; the sec/px counter is the time per pixel
// (shown with SI prefixes: 700p is 0.7 ns).
#include <benchmark/benchmark.h>

#include "image/bitmap.h"

namespace {

const int frameWidth = 320, frameHeight = 240;

struct Frames {
  Bitmap* src;
  Bitmap* dst;
  Frames() {
    src = new Bitmap(frameWidth, frameHeight);
    dst = new Bitmap(frameWidth, frameHeight);
    for (int i = 0; i < frameWidth * frameHeight; ++i) {
      src->pixels[i] = (uint32_t)i * 2654435761u & 0xFFFFFF;
      dst->pixels[i] = (uint32_t)i * 40503u & 0xFFFFFF;
    }
  }
};

Frames& frames() {
  static Frames f;
  return f;
}

void perPixel(benchmark::State& state) {
  state.counters["sec/px"] = benchmark::Counter((double)frameWidth * frameHeight,
                                               benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_blit(benchmark::State& state) {
  for (auto _ : state) frames().src->blit(frames().dst, 0, 0);
  perPixel(state);
}
void BM_blit_half(benchmark::State& state) {
  for (auto _ : state) frames().src->blit_half(frames().dst, 0, 0);
  perPixel(state);
}
void BM_blit_add(benchmark::State& state) {
  for (auto _ : state) frames().src->blit_add(frames().dst, 0, 0);
  perPixel(state);
}
void BM_blit_mix(benchmark::State& state) {
  for (auto _ : state) frames().src->blit_mix(frames().dst, 0, 0, 100);
  perPixel(state);
}
void BM_blit_ceiling(benchmark::State& state) {
  for (auto _ : state) frames().src->blit_ceiling(frames().dst, 0, 0, 200, 100, 50);
  perPixel(state);
}
void BM_mix_colour(benchmark::State& state) {
  for (auto _ : state) frames().dst->mix_colour(0x840000, 100);
  perPixel(state);
}
void BM_invert(benchmark::State& state) {
  for (auto _ : state) frames().dst->invert();
  perPixel(state);
}
void BM_add_noise(benchmark::State& state) {
  for (auto _ : state) frames().dst->add_noise();
  perPixel(state);
}
void BM_strobe(benchmark::State& state) {
  for (auto _ : state) frames().dst->strobe();
  perPixel(state);
}

BENCHMARK(BM_blit);
BENCHMARK(BM_blit_half);
BENCHMARK(BM_blit_add);
BENCHMARK(BM_blit_mix);
BENCHMARK(BM_blit_ceiling);
BENCHMARK(BM_mix_colour);
BENCHMARK(BM_invert);
BENCHMARK(BM_add_noise);
BENCHMARK(BM_strobe);

} // namespace
