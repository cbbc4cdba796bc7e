#include "music/music_player.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Held once per process, like the player library's own state.
MIDASmodule module = nullptr;
MIDASmodulePlayHandle playHandle = 0;

zub::Failure libraryFailure() {
  std::string message = MIDASgetErrorMessage(MIDASgetLastError()); // closing may replace the text
  MIDASclose();
  return zub::failure(1, "MIDAS error: %s\n", message.c_str());
}

} // namespace

MusicPlayer::MusicPlayer(const char* name, void* windowHandle) : fileName(name), window(windowHandle) {}

zub::Failure MusicPlayer::start() {
  MIDASstartup();
  if (!window) return zub::failure(-1, "Error: can't find cur window handle\n");
  MIDASsetOption(MIDAS_OPTION_WINDOW, (intptr_t)window);
  MIDASsetOption(MIDAS_OPTION_BACKGROUND, 1);
  soundless.clear();
  if (!MIDASinit()) {
    if (MIDASgetLastError() != midasErrorAudioDevice) return libraryFailure();
    // No sound to be had: the picture goes on, the module is still loaded and checked.
    soundless = MIDASgetErrorMessage(midasErrorAudioDevice);
    size_t hint = soundless.find(midasWithoutSound);
    if (hint != std::string::npos) soundless.erase(hint);
    midasUseBackend(MidasBackend::Silent);
    if (!MIDASinit()) return libraryFailure();
  }
  MIDASstartBackgroundPlay(0);
  module = MIDASloadModule(fileName.c_str());
  if (!module) return libraryFailure();
  playHandle = MIDASplayModule(module, 1);
  if (!playHandle) return libraryFailure();
  return {};
}

zub::Failure MusicPlayer::stop() {
  if (!MIDASstopModule(playHandle)) return libraryFailure();
  if (!MIDASfreeModule(module)) return libraryFailure();
  module = nullptr;
  playHandle = 0;
  MIDASstopBackgroundPlay();
  if (!MIDASclose()) return libraryFailure();
  return {};
}
