// Per-frame cost of the flash analyser (every frame of --flash-report) and of the limiter (every
// frame of --reduce-flashes), on a moving picture that passes and on a full-frame strobe where
// the limiter has to hold back every other frame.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "safety/flash_limiter.h"

namespace {

// Frame n of a gradient that drifts by a pixel a frame; `strobe`: every other frame inverted.
void paint(std::vector<uint32_t>& frame, int n, bool strobe) {
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      uint32_t v = (uint32_t)((x + y + n) & 0xFF);
      if (strobe && n % 2) v = 255 - v;
      frame[y * 320 + x] = v << 16 | v << 8 | (v / 2);
    }
}

void BM_MeasureFrame(benchmark::State& state) {
  std::vector<uint32_t> frame(320 * 240);
  paint(frame, 7, false);
  auto light = std::make_unique<zub::CellLight>();
  for (auto _ : state) {
    zub::FlashAnalyser::measure(frame.data(), *light);
    benchmark::DoNotOptimize(light->luminance[0]);
  }
}
BENCHMARK(BM_MeasureFrame);

void BM_AnalyseFrame(benchmark::State& state) {
  zub::FlashAnalyser analyser;
  std::vector<std::vector<uint32_t>> frames(30, std::vector<uint32_t>(320 * 240));
  for (int n = 0; n < 30; ++n) paint(frames[n], n, false);
  int n = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(analyser.add(frames[n % 30].data(), n * 100 / 3));
    ++n;
  }
}
BENCHMARK(BM_AnalyseFrame);

void BM_LimitStrobe(benchmark::State& state) {
  zub::FlashLimiter limiter;
  std::vector<std::vector<uint32_t>> frames(30, std::vector<uint32_t>(320 * 240));
  for (int n = 0; n < 30; ++n) paint(frames[n], n, true);
  std::vector<uint32_t> shown(320 * 240);
  int n = 0;
  for (auto _ : state) {
    shown = frames[n % 30];
    benchmark::DoNotOptimize(limiter.apply(shown.data(), n * 100 / 3));
    ++n;
  }
  state.counters["changed"] = benchmark::Counter((double)limiter.framesChanged / n);
}
BENCHMARK(BM_LimitStrobe);

} // namespace
