// MusicPlayer: plays the demo's module tune in the background from the first frame to exit.
// A failure of the player library is reported as "MIDAS error: ..." with status 1; the demo stops
// on it. An audio device that cannot open is not such a failure: like a media player, the demo
// then plays on silently (the module is still loaded and checked) and `soundless` says why.
#pragma once
#include <string>

#include "core/failure.h"
#include "music/midas.h"

class MusicPlayer {
public:
  std::string fileName; // the module file
  void* window;         // the window the audio output belongs to
  std::string soundless; // after start: why there is no sound although it was asked for; empty when there is

  MusicPlayer(const char* fileName, void* window);
  // Each stops at the first failing library call. A start without a window fails with
  // "Error: can't find cur window handle", status -1.
  zub::Failure start();
  zub::Failure stop();
};
