// The handful of SDL2 audio calls the module player makes (music/midas.cpp), answered in a web
// browser by Web Audio (platform/web_audio.cpp). Only the web build puts this folder on its
// include path; the desktop build uses the real SDL2. The page has one thread: the device
// "callback" runs between frames from the Web Audio processing event, so the locks have nothing
// to exclude and a delay cannot wait for the callback.
#pragma once
#include <cstdint>
#include <cstring>

#define SDLCALL
#define SDL_INIT_AUDIO 0x10u
#define AUDIO_S16SYS 0x8010
#define SDL_zero(x) memset(&(x), 0, sizeof(x))

using Uint8 = uint8_t;
using Uint16 = uint16_t;
using Uint32 = uint32_t;
using SDL_AudioDeviceID = uint32_t;
using SDL_AudioCallback = void (*)(void* userdata, Uint8* stream, int len);

struct SDL_AudioSpec {
  int freq;
  Uint16 format;
  Uint8 channels;
  Uint8 silence;
  Uint16 samples;
  Uint32 size;
  SDL_AudioCallback callback;
  void* userdata;
};

int SDL_InitSubSystem(Uint32 flags);
void SDL_QuitSubSystem(Uint32 flags);
const char* SDL_GetError();
// Opens the page's audio output: signed 16-bit interleaved stereo at `desired->freq`, pulled
// through `desired->callback` in blocks of `desired->samples` frames. Returns 1, or 0 when the
// browser has no Web Audio.
SDL_AudioDeviceID SDL_OpenAudioDevice(const char* device, int iscapture, const SDL_AudioSpec* desired,
                                      SDL_AudioSpec* obtained, int allowedChanges);
void SDL_PauseAudioDevice(SDL_AudioDeviceID device, int pause);
void SDL_LockAudioDevice(SDL_AudioDeviceID device);
void SDL_UnlockAudioDevice(SDL_AudioDeviceID device);
void SDL_CloseAudioDevice(SDL_AudioDeviceID device);
void SDL_Delay(Uint32 ms);
