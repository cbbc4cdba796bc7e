// When each scene and each of its steps begins on the demo's virtual clock, worked out from the
// scene table with the demo's own frame pacer and scene timer, so the tune can be written to the
// picture and follows any change of a step's length.
#pragma once
#include <vector>

namespace assets {

struct TimelineTimes {
  std::vector<std::vector<double>> stepStarts; // per scene, seconds at which step 0, 1, 2 ... is first drawn
  double end = 0;                              // seconds of the last frame
  int lastFrame = 0;                           // its number
};

// Runs the scenes' step machine (step 0 starts the timer; a step moves on once the timer is
// done) on the virtual clock, one frame at the pacer's due times, without drawing anything.
// Leaves the clock on wall time.
TimelineTimes timelineTimes();

} // namespace assets
