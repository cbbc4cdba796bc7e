// FramePacer: the 30 frames-per-second gate of the frame loop (never skips a frame, never waits).
// SceneTimer: the per-step stopwatch every scene shares, with linear interpolation over a step.
// Both read the demo's millisecond clock.
#pragma once
#include <cstdint>

class FramePacer {
public:
  int frameIndex = 0;        // frames the clock says are due by now
  float rate = 30.0f;        // frames per second
  int ticksPerSecond = 1000;
  int framesIssued = 0;      // frames granted so far by frameDue
  int elapsedTicks = 0;      // ticks since startTicks, refreshed by every query
  int startTicks = 0;        // clock value when (re)started
  float periodSeconds = 0;   // 1 / rate
  float periodTicks = 0;     // periodSeconds x ticksPerSecond (33.333332 at 30 frames per second)

  FramePacer();
  void restart();
  void setRate(float framesPerSecond);
  bool frameDue();
  double elapsedSeconds();
  // Ticks from now until frameDue will next grant a frame (0 when it would now). Reads the clock
  // and changes nothing, so the loop can sleep until then without touching the timing rules.
  int ticksUntilDue() const;
  // Ticks after startTicks at which frame n falls due: the first whole tick frameDue grants it at.
  int dueTicks(int n) const;

private:
  void computePeriods();
  void refresh();
};

// Seconds since the last restart (or since it was made), on the demo's millisecond clock.
class Stopwatch {
public:
  int32_t startTicks; // clock value when (re)started

  Stopwatch();
  void restart();
  double elapsedSeconds() const;
};

class SceneTimer {
public:
  SceneTimer();
  void start(float seconds);
  double lerp(double from, double to) const;
  bool done() const;
  // The clock value halfway through the current step (its start plus half its length, in whole ms).
  int32_t stepMiddleTicks() const;

private:
  float duration = 0; // seconds of the current step
  Stopwatch watch;
};
