// The module-player layer: the call set the music player uses, with the same order, arguments
// and results. Inside, libopenmpt decodes the module (looping forever) and the audio output back
// end (platform/audio_out, SDL2) plays it on its own callback thread, so the frame loop never
// waits for sound. A silent back end, for the
// offline renderer and the tests, loads and checks the module the same way but opens no device.
// The layer can record the calls made to it, for tests.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class MidasBackend { Sdl, Silent };
void midasUseBackend(MidasBackend backend);

// Every call made from here on is appended to `log` as text ("MIDASinit()", ...); null stops.
void midasRecordCalls(std::vector<std::string>* log);
// Makes the next MIDASinit fail as if no audio device could be opened (tests).
void midasFailNextInit(const char* reason);

using MIDASmodule = void*;
using MIDASmodulePlayHandle = uintptr_t;

bool MIDASstartup();
bool MIDASsetOption(int option, intptr_t value);
bool MIDASinit();
bool MIDASstartBackgroundPlay(uint32_t pollRate);
MIDASmodule MIDASloadModule(const char* fileName);
MIDASmodulePlayHandle MIDASplayModule(MIDASmodule module, int loopSong);
bool MIDASstopModule(MIDASmodulePlayHandle playHandle);
bool MIDASfreeModule(MIDASmodule module);
bool MIDASstopBackgroundPlay();
bool MIDASclose();
int MIDASgetLastError();
// The error code of an audio device that cannot open; the message then ends in midasWithoutSound.
const int midasErrorAudioDevice = 2;
extern const char* const midasWithoutSound;
const char* MIDASgetErrorMessage(int errorCode);

const int MIDAS_OPTION_WINDOW = 6;        // the window the audio output belongs to
const int MIDAS_OPTION_BACKGROUND = 5;    // background playback on

// Opening the audio device and reading the module take a while (a sound system that finds no
// card, the module's samples). A head start does both on threads of their own while the window is
// made and the pictures load; MIDASinit and MIDASloadModule (of the same file) then take the
// results exactly as if they had done the work there, failures and their messages included. Made
// on the thread that makes the window, at most one at a time; the module is read from the start.
// Destroying it waits for its threads and releases what was not taken. The device is left alone
// with the silent back end, and a web page gets no threads.
struct MidasHeadStartState;
class MidasHeadStart {
public:
  explicit MidasHeadStart(const char* moduleFile);
  ~MidasHeadStart();
  MidasHeadStart(const MidasHeadStart&) = delete;
  MidasHeadStart& operator=(const MidasHeadStart&) = delete;
  // Begins opening the device, once the window is made: SDL's own settings are not guarded, so
  // this thread makes no other SDL call until awaitDevice.
  void openDevice();
  void awaitDevice();

private:
  std::unique_ptr<MidasHeadStartState> state;
};

// True when the bytes are a tracker module (XM, or a 31-sample "M.K."-style module) that ends
// before the structure its headers describe; the loader refuses such files.
bool truncatedTrackerModule(const std::string& bytes);

// The viewer's controls, beyond the player's own call set: the tune held and let go with the
// picture, moved to a moment of the timeline (seconds from its start), and its volume in percent
// of its own level (0 mutes). The position is in seconds of the tune.
void midasPause(bool paused);
void midasSeek(double seconds);
void midasSetVolume(int percent);
double midasPosition();

// Output format of the player (and of the offline soundtrack).
const int midasSampleRate = 48000;
