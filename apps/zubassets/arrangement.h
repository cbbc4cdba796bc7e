// The demo's tune, arranged to the timeline: every scene change, and the bigger moments inside
// scenes, open a new phrase with its own tempo and length, so the music lands on the picture.
// The result is an eight-channel XM module of the instruments in instruments.h.
#pragma once
#include <string>
#include <vector>

#include "music/xm_writer.h"
#include "scene_times.h"

namespace assets {

// Where a phrase begins: its first order position, and the time the composer worked out for it
// beside the time of the moment it was written for.
struct PhraseStart {
  int scene, step;  // the moment (step 0: the scene change)
  int order;        // first order position of the phrase (row 0 of that pattern)
  double seconds;   // when the player reaches it
  double target;    // when the moment happens on the screen
  double rowSeconds; // length of a row at the phrase's tempo
};

struct Tune {
  zub::XmModule module;
  std::vector<PhraseStart> phrases;
  double seconds = 0; // length of one pass, up to the silent pattern the module loops on
};

// Composes the tune to the given timeline. The global volume is left at full.
Tune composeTune(const TimelineTimes& times);

// The tune for the demo's own timeline, its global volume set so the loudest sample peaks just
// under full scale; the same bytes on every run.
std::string makeDemoModule();

} // namespace assets
