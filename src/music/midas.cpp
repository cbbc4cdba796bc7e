#include "music/midas.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include <libopenmpt/libopenmpt.h>

#include "core/datafile.h"
#include "platform/audio_out.h"

// How to go on when there is no sound to be had.
const char* const midasWithoutSound = " (zubdemo --no-sound plays the demo without sound)";

namespace {

enum ErrorCode {
  errOk = 0,
  errNotInitialised,
  errAudioDevice = midasErrorAudioDevice,
  errModuleFile,
  errModuleFormat,
  errBadHandle,
};

struct Player {
  MidasBackend backend = MidasBackend::Sdl;
  std::vector<std::string>* log = nullptr;
  std::string failInit;
  bool initialised = false;
  intptr_t window = 0;
  bool device = false;               // the audio output is open (not in the silent back end)
  openmpt_module* playing = nullptr; // read by the audio thread, under the device lock
  int fadeSamples = 0;               // left of the fade-out at stop; -1 when not fading
  int lastError = errOk;
  std::string lastMessage;
  int loaded = 0;                    // modules loaded and not freed
  int volume = 100;                  // percent of the tune's own level; 0 mutes
  bool paused = false;               // held by the viewer
};

Player player;
const int fadeLength = midasSampleRate / 50; // 20 ms: long enough to avoid a click at stop
const char* const withoutSound = midasWithoutSound;

void record(const std::string& call) {
  if (player.log) player.log->push_back(call);
}

void fail(int code, const std::string& message) {
  player.lastError = code;
  player.lastMessage = message;
}

// Audio thread: fills the device buffer (silence on entry) from the module, looping forever.
void fillAudio(int16_t* out, int frames, void*) {
  if (!player.playing) return;
  size_t done = openmpt_module_read_interleaved_stereo(player.playing, midasSampleRate, (size_t)frames, out);
  (void)done;
  if (player.volume != 100)
    for (int i = 0; i < 2 * frames; ++i) out[i] = (int16_t)(out[i] * player.volume / 100);
  if (player.fadeSamples >= 0) {
    for (int i = 0; i < frames; ++i) {
      int gain = player.fadeSamples > 0 ? player.fadeSamples-- : 0;
      out[2 * i] = (int16_t)(out[2 * i] * gain / fadeLength);
      out[2 * i + 1] = (int16_t)(out[2 * i + 1] * gain / fadeLength);
    }
  }
}

void logToNowhere(const char*, void*) {}

// A module read and checked, or why not.
struct ModuleLoad {
  openmpt_module* module = nullptr;
  int error = errOk;
  std::string message;
};

ModuleLoad readModule(const char* fileName);

} // namespace

// The head start's work (see MidasHeadStart). Each thread writes only its own part, which the main
// thread reads after joining it. Held on the heap by its owner: a process that ends through exit
// with a thread still running must not find a joinable std::thread among its static objects.
struct MidasHeadStartState {
  std::thread moduleThread;
  std::string moduleFile;
  bool moduleTaken = false;  // by MIDASloadModule
  ModuleLoad module;
  bool deviceBegun = false;
  std::thread deviceThread;
  bool deviceTaken = false;  // by MIDASinit
  bool deviceOpen = false;
  std::string deviceError;
};

namespace {

MidasHeadStartState* headStart = nullptr; // the one there is, if any

// The head start's device result for MIDASinit, when there is one to take.
bool takeHeadStartDevice(bool& open, std::string& error) {
  if (!headStart || !headStart->deviceBegun || headStart->deviceTaken) return false;
  if (headStart->deviceThread.joinable()) headStart->deviceThread.join();
  headStart->deviceTaken = true;
  open = headStart->deviceOpen;
  error = headStart->deviceError;
  return true;
}

} // namespace

MidasHeadStart::MidasHeadStart(const char* moduleFile) {
#ifndef __EMSCRIPTEN__
  if (headStart) return;
  state = std::make_unique<MidasHeadStartState>();
  headStart = state.get();
  state->moduleFile = moduleFile;
  MidasHeadStartState* s = state.get();
  state->moduleThread = std::thread([s] { s->module = readModule(s->moduleFile.c_str()); });
#else
  (void)moduleFile;
#endif
}

void MidasHeadStart::openDevice() {
#ifndef __EMSCRIPTEN__
  if (!state || state->deviceBegun || player.backend != MidasBackend::Sdl) return;
  state->deviceBegun = true;
  if (!audio::start(state->deviceError)) return;
  MidasHeadStartState* s = state.get();
  s->deviceThread = std::thread(
      [s] { s->deviceOpen = audio::openDeviceAside(midasSampleRate, fillAudio, nullptr, s->deviceError); });
#endif
}

void MidasHeadStart::awaitDevice() {
  if (state && state->deviceThread.joinable()) state->deviceThread.join();
}

MidasHeadStart::~MidasHeadStart() {
  if (!state) return;
  bool open = false;
  std::string error;
  if (takeHeadStartDevice(open, error)) audio::close();
  if (state->moduleThread.joinable()) state->moduleThread.join();
  if (!state->moduleTaken && state->module.module) openmpt_module_destroy(state->module.module);
  headStart = nullptr;
}

// The module decoder plays a cut-off file in part without a word. For the 31-sample four-, six-
// and eight-channel layouts the size the header promises is known; an XM file is walked through
// its headers, patterns, instruments and samples, each of which gives its own size.
bool truncatedTrackerModule(const std::string& bytes) {
  const uint8_t* b = (const uint8_t*)bytes.data();
  const uint64_t size = bytes.size();
  if (bytes.compare(0, 17, "Extended Module: ") == 0) {
    auto u16 = [&](uint64_t at) { return (uint32_t)(b[at] | b[at + 1] << 8); };
    auto u32 = [&](uint64_t at) { return u16(at) | u16(at + 2) << 16; };
    if (size < 80) return true; // the counts are not all there
    const uint32_t patterns = u16(70), instruments = u16(72);
    uint64_t at = 60 + (uint64_t)u32(60);
    for (uint32_t p = 0; p < patterns; ++p) {
      if (at + 9 > size) return true;
      at += (uint64_t)u32(at) + u16(at + 7); // the pattern header, then its packed rows
    }
    for (uint32_t i = 0; i < instruments; ++i) {
      if (at + 29 > size) return true;
      const uint64_t headerSize = u32(at);
      const uint32_t samples = u16(at + 27);
      if (samples == 0) {
        at += headerSize;
        continue;
      }
      if (at + 33 > size) return true;
      const uint64_t sampleHeaderSize = u32(at + 29);
      at += headerSize;
      uint64_t data = 0;
      for (uint32_t s = 0; s < samples; ++s, at += sampleHeaderSize) {
        if (at + 4 > size) return true;
        data += u32(at);
      }
      at += data;
    }
    return at > size;
  }
  if (size < 1084) return false;
  std::string tag = bytes.substr(1080, 4);
  int channels = 0;
  if (tag == "M.K." || tag == "M!K!" || tag == "FLT4" || tag == "4CHN") channels = 4;
  else if (tag == "6CHN") channels = 6;
  else if (tag == "8CHN" || tag == "FLT8" || tag == "OCTA") channels = 8;
  else return false;
  int patterns = 0;
  for (int i = 0; i < 128; ++i) patterns = std::max(patterns, b[952 + i] + 1);
  uint64_t expected = 1084 + (uint64_t)patterns * 64 * channels * 4;
  for (int i = 0; i < 31; ++i) expected += 2u * (b[20 + i * 30 + 22] << 8 | b[20 + i * 30 + 23]);
  return size < expected;
}

void midasUseBackend(MidasBackend backend) { player.backend = backend; }
void midasRecordCalls(std::vector<std::string>* log) { player.log = log; }
void midasFailNextInit(const char* reason) { player.failInit = reason ? reason : ""; }

bool MIDASstartup() {
  record("MIDASstartup()");
  player.initialised = false;
  player.lastError = errOk;
  player.lastMessage.clear();
  return true;
}

bool MIDASsetOption(int option, intptr_t value) {
  record("MIDASsetOption(" + std::to_string(option) + ", " + (option == MIDAS_OPTION_WINDOW ? "window" : std::to_string(value)) + ")");
  if (option == MIDAS_OPTION_WINDOW) player.window = value;
  return true;
}

bool MIDASinit() {
  record("MIDASinit()");
  if (!player.failInit.empty()) {
    fail(errAudioDevice, "cannot open the audio device: " + player.failInit + withoutSound);
    player.failInit.clear();
    return false;
  }
  if (player.backend == MidasBackend::Sdl) {
    std::string error;
    bool open = false;
    if (takeHeadStartDevice(open, error)) {
      if (!open) audio::close(); // what the head start began
    } else {
      open = audio::open(midasSampleRate, fillAudio, nullptr, error);
    }
    if (!open) {
      fail(errAudioDevice, error + withoutSound);
      return false;
    }
    player.device = true;
  }
  player.initialised = true;
  return true;
}

bool MIDASstartBackgroundPlay(uint32_t pollRate) {
  record("MIDASstartBackgroundPlay(" + std::to_string(pollRate) + ")");
  if (player.device) audio::play(true);
  return player.initialised;
}

MIDASmodule MIDASloadModule(const char* fileName) {
  record(std::string("MIDASloadModule(") + fileName + ")");
  if (!player.initialised) {
    fail(errNotInitialised, "the player is not initialised");
    return nullptr;
  }
  ModuleLoad load;
  if (headStart && !headStart->moduleTaken && headStart->moduleFile == fileName) {
    if (headStart->moduleThread.joinable()) headStart->moduleThread.join();
    headStart->moduleTaken = true;
    load = std::move(headStart->module);
  } else {
    load = readModule(fileName);
  }
  if (!load.module) {
    fail(load.error, load.message);
    return nullptr;
  }
  ++player.loaded;
  return load.module;
}

namespace {

ModuleLoad readModule(const char* fileName) {
  ModuleLoad load;
  std::string bytes;
  if (!zub::readDataFile(fileName, bytes)) {
    load.error = errModuleFile;
    load.message = std::string("cannot read ") + fileName + ": " + strerror(errno);
    return load;
  }
  load.error = errModuleFormat;
  if (bytes.empty()) {
    load.message = std::string("cannot load ") + fileName + ": the file is empty";
    return load;
  }
  int error = 0;
  const char* errorMessage = nullptr;
  openmpt_module* module = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), logToNowhere, nullptr, nullptr,
                                                              nullptr, &error, &errorMessage, nullptr);
  if (!module) {
    load.message = std::string("cannot load ") + fileName + ": not a module the player can read" +
                   (errorMessage && *errorMessage ? std::string(" (") + errorMessage + ")" : "");
    openmpt_free_string(errorMessage);
    return load;
  }
  openmpt_free_string(errorMessage);
  // A module whose data stops short of what its header promises is refused, not played in part.
  if (truncatedTrackerModule(bytes)) {
    openmpt_module_destroy(module);
    load.message = std::string("cannot load ") + fileName + ": the file is truncated";
    return load;
  }
  openmpt_module_set_repeat_count(module, -1);
  openmpt_module_ctl_set_integer(module, "dither", 0);
  load.module = module;
  load.error = errOk;
  return load;
}

} // namespace

MIDASmodulePlayHandle MIDASplayModule(MIDASmodule module, int loopSong) {
  record("MIDASplayModule(module, " + std::to_string(loopSong) + ")");
  if (!module || !player.initialised) {
    fail(errBadHandle, "no module to play");
    return 0;
  }
  audio::lock();
  player.fadeSamples = -1;
  player.playing = (openmpt_module*)module;
  audio::unlock();
  return (MIDASmodulePlayHandle)module;
}

bool MIDASstopModule(MIDASmodulePlayHandle playHandle) {
  record("MIDASstopModule(playHandle)");
  if (!playHandle || (MIDASmodulePlayHandle)player.playing != playHandle) {
    fail(errBadHandle, "the module is not playing");
    return false;
  }
  if (player.device && !player.paused) {
    // Fade out over a few milliseconds, then detach the module under the device lock so the audio
    // thread never reads it once it is freed.
    audio::lock();
    player.fadeSamples = fadeLength;
    audio::unlock();
    for (int waited = 0; waited < 100; waited += 5) {
      audio::lock();
      bool faded = player.fadeSamples == 0;
      audio::unlock();
      if (faded) break;
      audio::sleepMs(5);
    }
  }
  audio::lock();
  player.playing = nullptr;
  audio::unlock();
  return true;
}

bool MIDASfreeModule(MIDASmodule module) {
  record("MIDASfreeModule(module)");
  if (!module || player.playing == module || player.loaded == 0) {
    fail(errBadHandle, "no module to free");
    return false;
  }
  openmpt_module_destroy((openmpt_module*)module);
  --player.loaded;
  return true;
}

bool MIDASstopBackgroundPlay() {
  record("MIDASstopBackgroundPlay()");
  if (player.device) audio::play(false);
  return true;
}

bool MIDASclose() {
  record("MIDASclose()");
  if (player.device) {
    audio::close();
    player.device = false;
  }
  bool wasInitialised = player.initialised;
  player.initialised = false;
  player.playing = nullptr;
  if (!wasInitialised && player.lastError == errOk) fail(errNotInitialised, "the player is not initialised");
  return wasInitialised;
}

int MIDASgetLastError() {
  record("MIDASgetLastError()");
  return player.lastError;
}

const char* MIDASgetErrorMessage(int errorCode) {
  record("MIDASgetErrorMessage(" + std::to_string(errorCode) + ")");
  if (errorCode == player.lastError && !player.lastMessage.empty()) return player.lastMessage.c_str();
  switch (errorCode) {
  case errOk:
    return "no error";
  case errNotInitialised:
    return "the player is not initialised";
  case errAudioDevice:
    return "cannot open the audio device";
  case errModuleFile:
    return "cannot read the module file";
  case errModuleFormat:
    return "not a module the player can read";
  default:
    return "unknown error";
  }
}

void midasPause(bool paused) {
  player.paused = paused;
  if (player.device && player.playing) audio::play(!paused);
}

void midasSeek(double seconds) {
  audio::lock();
  if (player.playing) openmpt_module_set_position_seconds(player.playing, seconds);
  audio::unlock();
}

void midasSetVolume(int percent) {
  audio::lock();
  player.volume = std::clamp(percent, 0, 100);
  audio::unlock();
}

double midasPosition() {
  audio::lock();
  double seconds = player.playing ? openmpt_module_get_position_seconds(player.playing) : 0;
  audio::unlock();
  return seconds;
}
