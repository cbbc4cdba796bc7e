#include "scene_times.h"

#include "core/clock.h"
#include "scenes/scene_table.h"
#include "shell/frame_pacer.h"

namespace assets {

TimelineTimes timelineTimes() {
  TimelineTimes times;
  zub::clockUseVirtual(0);
  FramePacer pacer;
  pacer.restart();
  pacer.setRate(30.0f);
  SceneTimer timer;
  int32_t now = 0;
  // The next frame is drawn at the first whole millisecond at which the pacer grants it.
  auto nextFrame = [&] {
    while (!pacer.frameDue()) zub::clockSetVirtual(++now);
    return now / 1000.0;
  };
  for (int s = 0; s < sceneCount; ++s) {
    const SceneEntry& scene = sceneTable[s];
    std::vector<double> starts;
    starts.push_back(nextFrame());
    timer.start(scene.steps[0]);
    for (int step = 1; step <= scene.stepCount; ++step) {
      starts.push_back(nextFrame());
      while (!timer.done()) nextFrame();
      if (step < scene.stepCount) timer.start(scene.steps[step]);
    }
    times.stepStarts.push_back(starts);
  }
  times.end = now / 1000.0;
  times.lastFrame = pacer.framesIssued - 1;
  zub::clockUseWall();
  return times;
}

} // namespace assets
