// The demo's tune rendered to a WAV file (48 kHz, stereo, 16-bit), for offline renders: the same
// module the player plays, decoded by libopenmpt without dither, so the bytes are the same on
// every run.
#pragma once
#include <cstdint>
#include <string>

#include "core/failure.h"

namespace zub {

// Size of a canonical 44-byte-header PCM WAV file holding `frames` stereo 16-bit sample frames.
uint64_t wavFileBytes(uint64_t frames);

// Writes `frames` sample frames of the module `moduleName` (a demo file name), beginning
// `skipFrames` into the tune, to `wavPath`. `progress`, when given, is called with the fraction
// done. Fails (status 1) when the module cannot be read or the file written.
Failure renderSoundtrack(const std::string& moduleName, const std::string& wavPath, int64_t skipFrames, int64_t frames,
                         void (*progress)(double fraction, void* data) = nullptr, void* progressData = nullptr);

} // namespace zub
