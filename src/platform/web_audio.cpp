// Web Audio behind the SDL audio calls of the module player (see web_sdl/SDL.h). The page's
// processing node asks for a block with zub_web_audio_fill; the block is made by the player's
// own callback into a buffer allocated when the device opens, and the page copies it out.
#include <emscripten/emscripten.h>

#include <new>

#include "web_sdl/SDL.h"

extern "C" {
// web/web_platform.js
int zub_audio_open(int rate, int frames, int16_t* buffer);
void zub_audio_pause(int pause);
void zub_audio_close();
}

namespace {
SDL_AudioSpec spec;
int16_t* block = nullptr; // one block of interleaved stereo samples
bool paused = true;
const char* lastError = "";
} // namespace

// Called by the page for every block Web Audio wants; returns false while nothing should play.
extern "C" EMSCRIPTEN_KEEPALIVE int zub_web_audio_fill() {
  if (!block || paused) return 0;
  spec.callback(spec.userdata, (Uint8*)block, spec.samples * 4);
  return 1;
}

int SDL_InitSubSystem(Uint32) { return 0; }
void SDL_QuitSubSystem(Uint32) {}
const char* SDL_GetError() { return lastError; }

SDL_AudioDeviceID SDL_OpenAudioDevice(const char*, int, const SDL_AudioSpec* desired, SDL_AudioSpec* obtained, int) {
  if (block) {
    lastError = "the audio output is already open";
    return 0;
  }
  if (desired->format != AUDIO_S16SYS || desired->channels != 2 || !desired->callback) {
    lastError = "only 16-bit stereo output is supported";
    return 0;
  }
  spec = *desired;
  block = new (std::nothrow) int16_t[(size_t)spec.samples * 2];
  if (!block) {
    lastError = "out of memory";
    return 0;
  }
  if (!zub_audio_open(spec.freq, spec.samples, block)) {
    delete[] block;
    block = nullptr;
    lastError = "this browser has no Web Audio";
    return 0;
  }
  paused = true;
  if (obtained) *obtained = spec;
  return 1;
}

void SDL_PauseAudioDevice(SDL_AudioDeviceID, int pause) {
  paused = pause != 0;
  zub_audio_pause(pause);
}

void SDL_LockAudioDevice(SDL_AudioDeviceID) {}
void SDL_UnlockAudioDevice(SDL_AudioDeviceID) {}

void SDL_CloseAudioDevice(SDL_AudioDeviceID) {
  zub_audio_close();
  delete[] block;
  block = nullptr;
  paused = true;
}

void SDL_Delay(Uint32) {}
