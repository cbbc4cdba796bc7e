// The demo's soundtrack as a WAV file beside the frames: exactly the sound of the frames written
// (frame k spans samples k x 1600 to (k + 1) x 1600 at 48 kHz), made under a temporary name.
#pragma once
#include <cstdint>
#include <string>

#include "core/failure.h"

namespace zub {

// Sample frames of sound per video frame (48 kHz at 30 frames per second).
const int samplesPerFrame = 1600;

Failure writeSoundtrackFile(const std::string& path, int64_t firstFrame, int64_t frameCount,
                            void (*progress)(double fraction, void* data), void* progressData);

} // namespace zub
