// Presentation figures of the frame loop, gathered after every present and printed by --stats:
// frames shown, frames presented more than one period after they fell due, the worst gap between
// two presents, the pacer's frame count, the processor time the process used while playing, and
// how long after the process started the first frame was shown.
#pragma once
#include <cstdint>
#include <cstdio>

class FramePacer;

namespace zub {

struct PresentStats {
  int shown = 0;               // frames presented
  int late = 0;                // presented more than one period after they were due
  int worstGapMs = 0;          // longest time between two presents
  int framesIssued = 0;        // the pacer's frame count at the last present
  int firstPresentMs = -1;     // clock at the first and at the last present
  int lastPresentMs = -1;
  double cpuAtFirstPresent = 0; // process CPU seconds at the first present
  double firstPresentAge = -1;  // seconds from the process's start to the first present

  // Called right after a frame has been presented.
  void record(const FramePacer& pacer, int nowMs);
  void print(FILE* out) const;
};

} // namespace zub
