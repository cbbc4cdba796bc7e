// The audio output back end: the default sound device through SDL2, stereo 16-bit, filled by a
// callback on the device's own thread. The module player decides what to play; this layer only
// opens, starts, stops and closes the device, and guards data shared with its thread.
#pragma once
#include <cstdint>
#include <string>

namespace audio {

// Fills `frames` stereo frames (2 x frames samples); runs on the device's thread.
using Fill = void (*)(int16_t* samples, int frames, void* data);

// Opens the default device at `rate` frames per second, paused. False with `error` saying why.
bool open(int rate, Fill fill, void* data, std::string& error);
// open in two halves, for a device opened on a thread of its own: start (on the thread that
// makes the window, since SDL's subsystems share their counts), then openDeviceAside on the other
// thread while this one makes no SDL call. open silences standard error while it looks for the
// device; openDeviceAside silences only the messages of the sound library (ALSA), so the rest of
// the program may write there meanwhile. After a failed openDeviceAside, close ends what start began.
bool start(std::string& error);
bool openDeviceAside(int rate, Fill fill, void* data, std::string& error);
bool isOpen();
// Starts or pauses the device's thread.
void play(bool playing);
// While held, the fill callback is not running; data it reads may be changed.
void lock();
void unlock();
void close();
void sleepMs(int ms);

} // namespace audio
