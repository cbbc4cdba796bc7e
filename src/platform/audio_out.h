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
// makes the window, since SDL's subsystems share their counts) and then openDevice (on any one
// thread; standard error is silenced meanwhile). After a failed openDevice, close ends what start
// began.
bool start(std::string& error);
bool openDevice(int rate, Fill fill, void* data, std::string& error);
bool isOpen();
// Starts or pauses the device's thread.
void play(bool playing);
// While held, the fill callback is not running; data it reads may be changed.
void lock();
void unlock();
void close();
void sleepMs(int ms);

} // namespace audio
