// Reads 320 x 240 frames of 30 per second as raw BGR0 bytes (ffmpeg -f rawvideo -pix_fmt bgr0) from
// standard input and prints how many of them break the flash thresholds; status 1 when any does.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "safety/flash_analyser.h"

int main() {
  zub::FlashAnalyser analyser;
  std::vector<uint32_t> frame(320 * 240);
  int frames = 0, failing = 0, general = 0, red = 0;
  while (fread(frame.data(), 4, frame.size(), stdin) == frame.size()) {
    zub::FlashVerdict verdict = analyser.add(frame.data(), (int32_t)(frames * 1000.0 / 30 + 0.5));
    failing += verdict.failing();
    general += verdict.fails[zub::GeneralFlash];
    red += verdict.fails[zub::RedFlash];
    if (verdict.failing() && getenv("FLASH_CHECK_VERBOSE")) fprintf(stderr, "frame %d fails\n", frames);
    ++frames;
  }
  printf("%d frames, %d failing (%d general, %d red)\n", frames, failing, general, red);
  return failing ? 1 : 0;
}
