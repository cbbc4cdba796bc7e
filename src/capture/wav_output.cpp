// The soundtrack of a range of frames as a WAV file.
#include "capture/wav_output.h"

#include "capture/output_file.h"
#include "music/soundtrack.h"

namespace zub {

bool writeSoundtrackFile(const std::string& path, int64_t firstFrame, int64_t frameCount, std::string& error,
                         void (*progress)(double fraction, void* data), void* progressData) {
  OutputFile out;
  if (!out.begin(path, false, error)) return false;
  if (!renderSoundtrack("music.dat", out.temporary, firstFrame * samplesPerFrame, frameCount * samplesPerFrame, error,
                        progress, progressData)) {
    size_t named = error.find(out.temporary);
    if (named != std::string::npos) error.replace(named, out.temporary.size(), path);
    return false;
  }
  return out.commit(error);
}

} // namespace zub
