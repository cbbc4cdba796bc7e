// What every scene step function shares: step 0 only starts the timer, each later step ends on
// the first frame after its length, and the last step hands over to the next scene. Also the
// small recurring pieces: θ, coins, shakes, and the 3D sequence.
#pragma once
#include "shell/demo_app.h"
#include "core/random.h"

struct StepLengths {
  const float* seconds; // length of steps 1..count
  int count;
};

template <int N>
constexpr StepLengths steps(const float (&seconds)[N]) {
  return {seconds, N};
}

// Step 0: starts the first step's timer and draws nothing. True when this frame was step 0.
inline bool beginScene(DemoApp& app, StepLengths lengths) {
  if (app.step != 0) return false;
  app.timer->start(lengths.seconds[0]);
  app.step = 1;
  return true;
}

// After drawing a step's frame: once the step is done, start the next step, or leave for `next`.
// True when the step ended with this frame.
inline bool endStep(DemoApp& app, StepLengths lengths, SceneFn next) {
  if (!app.timer->done()) return false;
  if (app.step < lengths.count) {
    app.timer->start(lengths.seconds[app.step]);
    ++app.step;
  } else {
    app.step = 0;
    app.sceneFn = next;
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
