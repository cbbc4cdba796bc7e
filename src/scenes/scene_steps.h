// What every scene step function shares: step 0 only starts the timer, each later step ends on
// the first frame after its length, and the last step hands over to the scene the timeline table
// puts next. Also the small recurring pieces: θ, coins, shakes, and the 3D sequence.
#pragma once
#include "shell/demo_app.h"
#include "core/random.h"
#include "scenes/scene_table.h"

// The running scene's entry in the timeline.
inline const SceneEntry& currentScene(const DemoApp& app) { return sceneTable[sceneIndex(app.sceneFn)]; }

// Step 0: starts the first step's timer and draws nothing. True when this frame was step 0.
inline bool beginScene(DemoApp& app) {
  if (app.step != 0) return false;
  app.timer->start(currentScene(app).steps[0]);
  app.step = 1;
  return true;
}

// After drawing a step's frame: once the step is done, start the next step, or leave for the
// scene that follows in the timeline; after the last scene the loop sees quit before the next
// frame. True when the step ended with this frame.
inline bool endStep(DemoApp& app) {
  if (!app.timer->done()) return false;
  const int scene = sceneIndex(app.sceneFn);
  const SceneEntry& entry = sceneTable[scene];
  if (app.step < entry.stepCount) {
    app.timer->start(entry.steps[app.step]);
    ++app.step;
  } else if (scene + 1 < sceneCount) {
    app.step = 0;
    app.sceneFn = sceneTable[scene + 1].fn;
  } else {
    // The end of the demo: the loop sees quit before the next frame. The timer restarts on the
    // last step's length, as the demo has always left it for whatever reads it afterwards.
    app.timer->start(entry.steps[app.step - 1]);
    app.step = 0;
    app.quit = true;
  }
  return true;
}

// θ: a full turn over the current step, as a float for the operations that take floats.
inline float theta(DemoApp& app) { return (float)app.timer->lerp(0, 360); }
// θ for an operation that takes whole degrees: the double truncated, never rounded to a float
// first (125.99999999999999 is 125, not 126).
inline int thetaDegrees(DemoApp& app) { return (int)app.timer->lerp(0, 360); }
inline float lerpf(DemoApp& app, double from, double to) { return (float)app.timer->lerp(from, to); }
inline int lerpi(DemoApp& app, double from, double to) { return (int)app.timer->lerp(from, to); }

// A fresh draw from the demo's generator is odd.
inline bool coin() { return zub::demoRand() & 1; }

// A random offset pair of -10..9 each; y is drawn first.
struct Shake {
  int x, y;
};
inline Shake shake() {
  int y = zub::demoRand() % 20 - 10;
  int x = zub::demoRand() % 20 - 10;
  return {x, y};
}
