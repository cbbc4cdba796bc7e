#include "platform/audio_out.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <SDL.h>

#ifndef _WIN32
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace audio {

namespace {

// The sound libraries beneath SDL write their own lines to standard error when no device can be
// had (eight of them on a machine without a sound card); SDL's error says what matters. Standard
// error points at /dev/null while the device is looked for.
class QuietStandardError {
public:
  QuietStandardError() {
#ifndef _WIN32
    if (getenv("ZUB_AUDIO_VERBOSE")) return;
    fflush(stderr);
    saved = dup(2);
    int null = ::open("/dev/null", O_WRONLY);
    if (saved < 0 || null < 0 || dup2(null, 2) < 0) restore();
    if (null >= 0) ::close(null);
#endif
  }
  ~QuietStandardError() { restore(); }
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
  void restore() {
#ifndef _WIN32
    if (saved < 0) return;
    dup2(saved, 2);
    ::close(saved);
    saved = -1;
#endif
  }
  int saved = -1;
};

// ALSA writes its messages through a handler of its own, which can be silenced without taking
// standard error from the rest of the program: on for true, its default handler back for false.
void silenceAlsa(bool silent) {
#ifndef _WIN32
  using Handler = void (*)(const char* file, int line, const char* function, int error, const char* format, ...);
  struct Silent {
    static void handler(const char*, int, const char*, int, const char*, ...) {}
  };
  if (getenv("ZUB_AUDIO_VERBOSE")) return;
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_NOLOAD); // loaded by SDL, if it uses ALSA
  if (!alsa) return;
  if (auto set = (int (*)(Handler))dlsym(alsa, "snd_lib_error_set_handler")) set(silent ? Silent::handler : nullptr);
  dlclose(alsa);
#else
  (void)silent;
#endif
}

SDL_AudioDeviceID device = 0;
Fill fillCallback = nullptr;
void* fillData = nullptr;

void SDLCALL fillFromDevice(void*, Uint8* stream, int bytes) {
  memset(stream, 0, (size_t)bytes);
  fillCallback((int16_t*)stream, bytes / 4, fillData);
}

bool started = false; // the audio subsystem is up, with or without a device

} // namespace

bool start(std::string& error) {
  QuietStandardError quiet;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    error = std::string("cannot start audio output: ") + SDL_GetError();
    return false;
  }
  started = true;
  return true;
}

// Opens the device; the caller silences the sound libraries.
static bool openDeviceHere(int rate, Fill fill, void* data, std::string& error) {
  fillCallback = fill;
  fillData = data;
  SDL_AudioSpec want, have;
  SDL_zero(want);
  want.freq = rate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = fillFromDevice;
  device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (!device) {
    error = std::string("cannot open the audio device: ") + SDL_GetError();
    return false;
  }
  return true;
}

bool openDeviceAside(int rate, Fill fill, void* data, std::string& error) {
  silenceAlsa(true);
  bool opened = openDeviceHere(rate, fill, data, error);
  silenceAlsa(false);
  return opened;
}

bool open(int rate, Fill fill, void* data, std::string& error) {
  if (!start(error)) return false;
  bool opened;
  {
    QuietStandardError quiet;
    opened = openDeviceHere(rate, fill, data, error);
  }
  if (opened) return true;
  close();
  return false;
}

bool isOpen() { return device != 0; }

void play(bool playing) {
  if (device) SDL_PauseAudioDevice(device, playing ? 0 : 1);
}

void lock() {
  if (device) SDL_LockAudioDevice(device);
}

void unlock() {
  if (device) SDL_UnlockAudioDevice(device);
}

void close() {
  if (device) SDL_CloseAudioDevice(device);
  device = 0;
  if (started) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  started = false;
}

void sleepMs(int ms) { SDL_Delay((Uint32)ms); }

} // namespace audio
