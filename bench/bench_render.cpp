// Per-frame cost of the 3D path: the object pass (reset, deform, transform and project) and
// render of a sphere at 700 units in each mode, on a 320 x 240 target.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "image/bitmap.h"
#include "objects/lwo_writer.h"
#include "objects/object3d.h"
#include "objects/render_space.h"

namespace {

struct Stage {
  RenderSpace space{320, 240};
  Camera camera;
  Light light;
  Bitmap target{320, 240};
  Bitmap texture{256, 256};
  BumpMap bump;
  Object3D sphere{space};      // about 2,000 faces
  Object3D smallSphere{space}; // about 300 faces

  Stage() {
    space.scratch = &target;  // the default texture until load gives each its own
    for (int i = 0; i < 256 * 256; ++i) texture.pixels[i] = (uint32_t)(i * 2654435761u) & 0xFFFFFF;
    bump.width = bump.height = 64;
    bump.data = std::make_unique<int8_t[]>(64 * 64);
    for (int i = 0; i < 64 * 64; ++i) bump.data[i] = (int8_t)(i * 37);
    load(sphere, sphereLwoBytes(45, 45, 1, 0x60A0E0));
    load(smallSphere, sphereLwoBytes(20, 16, 1, 0x60A0E0));
  }

  void load(Object3D& o, const std::string& bytes) {
    std::string error;
    if (!o.loadFromBytes((const uint8_t*)bytes.data(), bytes.size(), error)) {
      fprintf(stderr, "%s\n", error.c_str());
      exit(1);
    }
    o.camera = &camera;
    o.addLight(&light);
    o.texture = &texture;
    o.bumpMap = &bump;
    o.planarMap();
  }

  void pass(Object3D& o, float t) {
    space.clearDepths();
    o.restorePoints();
    o.transformAndProject(270, t, 0, 0, 0, 700, 1, 1, 1, 320, 240);
  }
};

Stage& stage() {
  static Stage* s = [] {
    // Loading traces every chunk; keep it out of the benchmark report.
    fflush(stdout);
    int saved = dup(1), quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 1);
    Stage* made = new Stage;
    fflush(stdout);
    dup2(saved, 1);
    close(quiet);
    close(saved);
    return made;
  }();
  return *s;
}

void BM_ObjectPass(benchmark::State& state) {
  Stage& s = stage();
  float t = 0;
  for (auto _ : state) {
    s.sphere.restorePoints();
    s.sphere.transformAndProject(270, t, 0, 0, 0, 700, 1, 1, 1, 320, 240);
    t = t < 359 ? t + 1 : 0;
    benchmark::DoNotOptimize(s.sphere.workPoints[0]);
  }
  state.counters["faces"] = s.sphere.faceCount;
}
BENCHMARK(BM_ObjectPass)->Unit(benchmark::kMicrosecond);

void BM_ObjectPassWaveMorph(benchmark::State& state) {
  Stage& s = stage();
  float t = 0;
  for (auto _ : state) {
    s.sphere.restorePoints();
    s.sphere.wave(t, 0);
    s.sphere.morphTowards(s.sphere, t * 0.01f);
    s.sphere.transformAndProject(270, t, 0, 0, 0, 700, 1, 1, 1, 320, 240);
    t = t < 300 ? t + 1 : 0;
    benchmark::DoNotOptimize(s.sphere.workPoints[0]);
  }
}
BENCHMARK(BM_ObjectPassWaveMorph)->Unit(benchmark::kMicrosecond);

// render alone: the pass that must precede every render runs with the clock stopped.
void renderBench(benchmark::State& state, Object3D& o, int mode, bool textured) {
  Stage& s = stage();
  o.textured = textured;
  float t = 0;
  for (auto _ : state) {
    state.PauseTiming();
    s.pass(o, t);
    t = t < 359 ? t + 1 : 0;
    state.ResumeTiming();
    o.render(&s.target, mode);
  }
  o.textured = false;
}

void BM_RenderShadedFlat(benchmark::State& state) { renderBench(state, stage().sphere, Shaded, false); }
void BM_RenderShadedTextured(benchmark::State& state) { renderBench(state, stage().sphere, Shaded, true); }
void BM_RenderEnvMap(benchmark::State& state) { renderBench(state, stage().sphere, EnvMap, false); }
void BM_RenderBumpEnvMap(benchmark::State& state) { renderBench(state, stage().sphere, BumpEnvMap, false); }
void BM_RenderSmallTextured(benchmark::State& state) { renderBench(state, stage().smallSphere, Shaded, true); }
BENCHMARK(BM_RenderShadedFlat)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderShadedTextured)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderEnvMap)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderBumpEnvMap)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RenderSmallTextured)->Unit(benchmark::kMicrosecond);

} // namespace
