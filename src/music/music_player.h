// MusicPlayer: plays the demo's module tune in the background from the first frame to exit.
// Every failure of the player is fatal: "MIDAS error: ..." and status 1.
#pragma once
#include <string>

#include "music/midas.h"

class MusicPlayer {
public:
  std::string fileName; // the module file
  void* window;         // the window the audio output belongs to

  MusicPlayer(const char* fileName, void* window);
  void start();
  void stop();
};
