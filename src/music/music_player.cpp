#include "music/music_player.h"
#include "core/fatal.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Held once per process, like the player library's own state.
MIDASmodule module = nullptr;
MIDASmodulePlayHandle playHandle = 0;

[[noreturn]] void report() {
  std::string message = MIDASgetErrorMessage(MIDASgetLastError()); // closing may replace the text
  MIDASclose();
  zub::fatal(1, "MIDAS error: %s\n", message.c_str());
}

} // namespace

MusicPlayer::MusicPlayer(const char* name, void* windowHandle) : fileName(name), window(windowHandle) {}

void MusicPlayer::start() {
  MIDASstartup();
  if (!window) {
    zub::fatal(-1, "Error: can't find cur window handle\n");
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
