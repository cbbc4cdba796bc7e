#include "shell/present_stats.h"

#include <sys/resource.h>

#include "shell/frame_pacer.h"

namespace zub {

double processCpuSeconds() {
  rusage usage;
  if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void PresentStats::record(const FramePacer& pacer, int nowMs) {
  if (shown == 0) {
    firstPresentMs = nowMs;
    cpuAtFirstPresent = processCpuSeconds();
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
}

} // namespace zub
