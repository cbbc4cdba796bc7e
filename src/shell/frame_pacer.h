// FramePacer: the 30 frames-per-second gate of the frame loop (never skips a frame, never waits).
// SceneTimer: the per-step stopwatch every scene shares, with linear interpolation over a step.
// Both read the demo's millisecond clock.
#pragma once
#include <cstdint>
#include <memory>

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

class SceneTimer {
public:
  float duration = 0;             // seconds of the current step
  std::unique_ptr<FramePacer> clock; // used only as a stopwatch

  SceneTimer();
  void start(float seconds);
  double lerp(double from, double to);
  bool done();
};
