#include "shell/present_stats.h"

#include "capture/os_services.h"
#include "shell/frame_pacer.h"

namespace zub {

void PresentStats::record(const FramePacer& pacer, int nowMs) {
  if (shown == 0) {
    firstPresentMs = nowMs;
    cpuAtFirstPresent = processCpuSeconds();
    firstPresentAge = processAgeSeconds();
  } else if (nowMs - lastPresentMs > worstGapMs) {
    worstGapMs = nowMs - lastPresentMs;
  }
  ++shown;
  lastPresentMs = nowMs;
  framesIssued = pacer.framesIssued;
  int dueMs = pacer.startTicks + pacer.dueTicks(pacer.framesIssued - 1);
  if (nowMs - dueMs > pacer.periodTicks) ++late;
}

void PresentStats::print(FILE* out) const {
  double playing = shown > 0 ? (lastPresentMs - firstPresentMs) / 1000.0 : 0;
  double cpuTotal = processCpuSeconds();
  double cpuPlaying = shown > 0 ? cpuTotal - cpuAtFirstPresent : 0;
  fprintf(out, "zubdemo stats: frames shown: %d\n", shown);
  fprintf(out, "zubdemo stats: frames late (presented more than one period after due): %d\n", late);
  fprintf(out, "zubdemo stats: worst gap between two presents: %d ms\n", worstGapMs);
  fprintf(out, "zubdemo stats: pacer frame count: %d\n", framesIssued);
  fprintf(out, "zubdemo stats: CPU time: %.2f s in all, %.2f s over %.1f s of playing (%.1f%% of one core)\n", cpuTotal,
          cpuPlaying, playing, playing > 0 ? 100.0 * cpuPlaying / playing : 0.0);
  if (firstPresentAge >= 0)
    fprintf(out, "zubdemo stats: first frame presented %.3f s after the process started\n", firstPresentAge);
}

} // namespace zub
