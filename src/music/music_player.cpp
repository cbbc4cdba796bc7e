#include "music/music_player.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Held once per process, like the player library's own state.
MIDASmodule module = nullptr;
MIDASmodulePlayHandle playHandle = 0;

[[noreturn]] void report() {
  printf("MIDAS error: %s\n", MIDASgetErrorMessage(MIDASgetLastError()));
  MIDASclose();
  exit(1);
}

} // namespace

MusicPlayer::MusicPlayer(const char* name, void* windowHandle) : fileName(name), window(windowHandle) {}

void MusicPlayer::start() {
  MIDASstartup();
  if (!window) {
    printf("Error: can't find cur window handle\n");
    exit(-1);
  }
  MIDASsetOption(MIDAS_OPTION_WINDOW, (intptr_t)window);
  MIDASsetOption(MIDAS_OPTION_BACKGROUND, 1);
  if (!MIDASinit()) report();
  MIDASstartBackgroundPlay(0);
  module = MIDASloadModule(fileName.c_str());
  if (!module) report();
  playHandle = MIDASplayModule(module, 1);
  if (!playHandle) report();
}

void MusicPlayer::stop() {
  if (!MIDASstopModule(playHandle)) report();
  if (!MIDASfreeModule(module)) report();
  module = nullptr;
  playHandle = 0;
  MIDASstopBackgroundPlay();
  if (!MIDASclose()) report();
}
