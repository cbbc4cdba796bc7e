// The soundtrack of a range of frames as a WAV file.
#include "capture/wav_output.h"

#include "capture/output_file.h"
#include "music/soundtrack.h"

namespace zub {

Failure writeSoundtrackFile(const std::string& path, int64_t firstFrame, int64_t frameCount,
                            void (*progress)(double fraction, void* data), void* progressData) {
  OutputFile out;
  if (Failure begun = out.begin(path, false)) return begun;
  if (Failure wrote = renderSoundtrack("music.dat", out.temporary, firstFrame * samplesPerFrame,
                                       frameCount * samplesPerFrame, progress, progressData))
    return out.asTarget(wrote);
  return out.commit();
}

} // namespace zub
