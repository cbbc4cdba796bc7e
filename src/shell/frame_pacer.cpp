#include "shell/frame_pacer.h"

#include <cmath>
#include <cstdint>

#include "core/clock.h"

FramePacer::FramePacer() {
  framesIssued = 0;
  frameIndex = 0;
  rate = 30.0f;
  ticksPerSecond = 1000;
  startTicks = elapsedTicks = zub::clockNow();
  computePeriods();
}

void FramePacer::computePeriods() {
  periodSeconds = (float)(1.0 / rate);
  // From 1 / rate in double, not from the rounded periodSeconds: 33.333332 keeps frame 3 due at
  // 100 ms, where the float period's 33.333336 would push it to 101 ms.
  periodTicks = (float)(1.0 / rate * ticksPerSecond);
}

void FramePacer::restart() {
  frameIndex = 0;
  ticksPerSecond = 1000;
  startTicks = elapsedTicks = zub::clockNow();
  computePeriods();
}

void FramePacer::setRate(float framesPerSecond) {
  frameIndex = 0;
  rate = framesPerSecond;
  ticksPerSecond = 1000;
  startTicks = elapsedTicks = zub::clockNow();
  computePeriods();
}

void FramePacer::refresh() {
  elapsedTicks = zub::clockNow() - startTicks;
  frameIndex = (int)((double)elapsedTicks / (double)periodTicks);
}

bool FramePacer::frameDue() {
  refresh();
  if (framesIssued > frameIndex) return false;
  ++framesIssued;
  return true;
}

int FramePacer::dueTicks(int n) const {
  auto due = [&](int64_t t) { return (int)((double)t / (double)periodTicks) >= n; };
  int64_t t = (int64_t)std::floor((double)n * periodTicks);
  while (t > 0 && due(t - 1)) --t;
  while (!due(t)) ++t;
  return (int)t;
}

int FramePacer::ticksUntilDue() const {
  int64_t wait = (int64_t)startTicks + dueTicks(framesIssued) - zub::clockNow();
  return wait > 0 ? (int)wait : 0;
}

double FramePacer::elapsedSeconds() {
  refresh();
  return (double)elapsedTicks / ticksPerSecond;
}

Stopwatch::Stopwatch() : startTicks(zub::clockNow()) {}

void Stopwatch::restart() { startTicks = zub::clockNow(); }

double Stopwatch::elapsedSeconds() const { return (double)(zub::clockNow() - startTicks) / 1000; }

SceneTimer::SceneTimer() {}

void SceneTimer::start(float seconds) {
  duration = seconds;
  watch.restart();
}

double SceneTimer::lerp(double from, double to) const {
  double t = watch.elapsedSeconds();
  if (t > duration) return to;
  return from + t * (to - from) / duration;
}

bool SceneTimer::done() const { return watch.elapsedSeconds() > duration; }

int32_t SceneTimer::stepMiddleTicks() const { return watch.startTicks + (int32_t)(duration * 500); }
