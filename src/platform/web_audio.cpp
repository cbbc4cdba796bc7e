// The audio output back end in a web browser: Web Audio. The page's processing node asks for a
// block with zub_web_audio_fill; the block is made by the module player's fill callback into a
// buffer allocated when the output opens, and the page copies it out. The page has one thread: the
// fill runs between frames from the Web Audio processing event, so the locks have nothing to
// exclude and a delay cannot wait for the callback.
#include <emscripten/emscripten.h>

#include <cstring>
#include <memory>
#include <new>

#include "platform/audio_out.h"

extern "C" {
// web/web_platform.js
int zub_audio_open(int rate, int frames, int16_t* buffer);
void zub_audio_pause(int pause);
void zub_audio_close();
}

namespace {
// Frames per block, as the desktop device is asked for.
constexpr int blockFrames = 1024;
std::unique_ptr<int16_t[]> block; // one block of interleaved stereo samples
audio::Fill fillCallback = nullptr;
void* fillData = nullptr;
bool paused = true;
} // namespace

// Called by the page for every block Web Audio wants; returns false while nothing should play.
extern "C" EMSCRIPTEN_KEEPALIVE int zub_web_audio_fill() {
  if (!block || paused) return 0;
  memset(block.get(), 0, sizeof(int16_t) * blockFrames * 2);
  fillCallback(block.get(), blockFrames, fillData);
  return 1;
}

namespace audio {

bool open(int rate, Fill fill, void* data, std::string& error) {
  if (block) {
    error = "cannot open the audio device: the audio output is already open";
    return false;
  }
  block.reset(new (std::nothrow) int16_t[blockFrames * 2]);
  if (!block) {
    error = "cannot open the audio device: out of memory";
    return false;
  }
  if (!zub_audio_open(rate, blockFrames, block.get())) {
    block.reset();
    error = "cannot open the audio device: this browser has no Web Audio";
    return false;
  }
  fillCallback = fill;
  fillData = data;
  paused = true;
  return true;
}

bool isOpen() { return block != nullptr; }

void play(bool playing) {
  if (!block) return;
  paused = !playing;
  zub_audio_pause(paused ? 1 : 0);
}

void lock() {}
void unlock() {}

void close() {
  if (!block) return;
  zub_audio_close();
  block.reset();
  paused = true;
}

void sleepMs(int) {}

} // namespace audio
