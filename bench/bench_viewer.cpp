// What the viewer waits for: a start at a scene (zubdemo --start: the frames before it drawn
// unseen), a jump back (the timeline built anew and drawn up to the target), and the speed of the
// unseen drawing itself over the whole timeline (frames per second of CPU time). Run from the
// source folder, or with ZUB_DATA naming the data folder.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "capture/os_services.h"
#include "core/clock.h"
#include "core/portable.h"
#include "core/random.h"
#include "music/midas.h"
#include "scenes/scene_table.h"
#include "shell/demo_app.h"

namespace {

// A demo on the memory console and the virtual clock, from a fresh start of the process-wide state.
std::unique_ptr<DemoApp> freshDemo() {
  static const bool entered = [] {
    const char* data = getenv("ZUB_DATA");
    std::filesystem::current_path(data ? data : "data");
    midasUseBackend(MidasBackend::Silent);
    zub::mapLargeBlocksApart();  // as zubdemo does
    return true;
  }();
  (void)entered;
  zub::clockUseVirtual(0);
  zub::demoRandReset();
  Bitmap::strobeReset();
  zub::QuietStandardOutput quiet;
  DemoSettings settings;
  settings.music = false;
  return std::make_unique<DemoApp>(ptc::Backend::Memory, settings);
}

void BM_StartAtScene(benchmark::State& state) {
  const int scene = (int)state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    auto app = freshDemo();
    state.ResumeTiming();
    zub::QuietStandardOutput quiet;
    app->moveTo(StartPoint{scene, 0});
  }
  state.SetLabel(sceneName(scene));
}
BENCHMARK(BM_StartAtScene)->Arg(3)->Arg(6)->Arg(9)->Arg(11)->Iterations(2)->Unit(benchmark::kMillisecond);

// From the start of the last scene back to the start of scene N (the marks of every scene start
// passed are kept; the counter gives their packed size).
void BM_JumpBackTo(benchmark::State& state) {
  const int scene = (int)state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    auto app = freshDemo();
    {
      zub::QuietStandardOutput quiet;
      app->moveTo(StartPoint{sceneCount - 1, 0});
    }
    state.ResumeTiming();
    zub::QuietStandardOutput quiet;
    app->moveTo(StartPoint{scene, 0});
    state.counters["marks_kB"] = app->markStore->usedBytes() / 1024.0;
  }
  state.SetLabel(sceneName(scene));
}
BENCHMARK(BM_JumpBackTo)->Arg(0)->Arg(5)->Arg(6)->Arg(10)->Iterations(2)->Unit(benchmark::kMillisecond);

// From the end back to the last frame of scene N: its start as kept, then the whole scene drawn unseen
// (the longest way back a jump can take).
void BM_JumpBackToSceneEnd(benchmark::State& state) {
  const int scene = (int)state.range(0);
  for (auto _ : state) {
    state.PauseTiming();
    auto app = freshDemo();
    {
      zub::QuietStandardOutput quiet;
      app->moveTo(StartPoint{-1, 1 << 30});
    }
    const int last = (scene + 1 < sceneCount ? sceneFirstFrame(scene + 1) : timelineFrames()) - 1;
    state.ResumeTiming();
    zub::QuietStandardOutput quiet;
    app->moveTo(StartPoint{-1, app->pacer->dueTicks(last)});
  }
  state.SetLabel(sceneName(scene));
}
BENCHMARK(BM_JumpBackToSceneEnd)->DenseRange(0, 11)->Iterations(1)->Unit(benchmark::kMillisecond);

// The whole timeline drawn unseen, scene by scene, as one pass: each scene's counter is its frames per
// second of CPU time.
void BM_WholeTimelineUnseen(benchmark::State& state) {
  int frames = 0;
  double sceneFrames[sceneCount] = {}, sceneCpu[sceneCount] = {};
  for (auto _ : state) {
    state.PauseTiming();
    auto app = freshDemo();
    state.ResumeTiming();
    zub::QuietStandardOutput quiet;
    for (int scene = 0; scene < sceneCount; ++scene) {
      const int before = app->pacer->framesIssued;
      const double cpu = zub::processCpuSeconds();
      app->moveTo(scene + 1 < sceneCount ? StartPoint{scene + 1, 0} : StartPoint{-1, 1 << 30});
      sceneCpu[scene] += zub::processCpuSeconds() - cpu;
      sceneFrames[scene] += app->pacer->framesIssued - before;
    }
    frames += app->pacer->framesIssued;
  }
  state.counters["frames_per_cpu_second"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  for (int scene = 0; scene < sceneCount; ++scene)
    if (sceneCpu[scene] > 0) state.counters[sceneName(scene)] = sceneFrames[scene] / sceneCpu[scene];
}
BENCHMARK(BM_WholeTimelineUnseen)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
