#include "core/random.h"

namespace zub {

namespace {
uint32_t state = 1;
}

int demoRand() {
  state = state * 214013u + 2531011u;
  return (int)((state >> 16) & 0x7FFF);
}

void demoRandReset() { state = 1; }

uint32_t demoRandState() { return state; }

void demoRandRestore(uint32_t value) { state = value; }

} // namespace zub
