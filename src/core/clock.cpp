// Wall time comes from steady_clock, never clock(): on Linux clock() counts processor time, which
// would stretch the timeline whenever the loop waits.
#include "core/clock.h"

#include <chrono>

namespace zub {

namespace {
const std::chrono::steady_clock::time_point processStart = std::chrono::steady_clock::now();
bool virtualMode = false;
int32_t virtualMs = 0;
} // namespace

int32_t clockNow() {
  if (virtualMode) return virtualMs;
  auto elapsed = std::chrono::steady_clock::now() - processStart;
  return (int32_t)std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
}

void clockUseVirtual(int32_t ms) {
  virtualMode = true;
  virtualMs = ms;
}

void clockSetVirtual(int32_t ms) { virtualMs = ms; }

void clockUseWall() { virtualMode = false; }

bool clockIsVirtual() { return virtualMode; }

} // namespace zub
