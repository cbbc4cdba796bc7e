// Wall time comes from steady_clock, never clock(): on Linux clock() counts processor time, which
// would stretch the timeline whenever the loop waits.
#include "core/clock.h"

#include <chrono>

namespace zub {

namespace {
const std::chrono::steady_clock::time_point processStart = std::chrono::steady_clock::now();
bool virtualMode = false;
int32_t virtualMs = 0;
int64_t wallOffset = 0;  // subtracted from the time since process start: held and skipped time
bool held = false;
int64_t heldAt = 0;      // clockNow() when the hold began

int64_t sinceStart() {
  auto elapsed = std::chrono::steady_clock::now() - processStart;
  return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
}
} // namespace

int32_t clockNow() {
  if (virtualMode) return virtualMs;
  if (held) return (int32_t)heldAt;
  return (int32_t)(sinceStart() - wallOffset);
}

void clockHold(bool hold) {
  if (hold == held) return;
  if (hold) {
    heldAt = sinceStart() - wallOffset;
  } else {
    wallOffset = sinceStart() - heldAt;
  }
  held = hold;
}

bool clockHeld() { return held; }

void clockContinueAt(int32_t ms) {
  virtualMode = false;
  if (held) heldAt = ms;
  else wallOffset = sinceStart() - ms;
}

void clockUseVirtual(int32_t ms) {
  virtualMode = true;
  virtualMs = ms;
}

void clockSetVirtual(int32_t ms) { virtualMs = ms; }

void clockUseWall() { virtualMode = false; }

bool clockIsVirtual() { return virtualMode; }

} // namespace zub
