// The demo's one pseudo-random generator. Never seeded, so every run draws the same sequence;
// scenes and effects share it in call order.
#pragma once
#include <cstdint>

namespace zub {

// Next value, 0..32767: state = state * 214013 + 2531011 (mod 2^32), result (state >> 16) & 0x7FFF.
int demoRand();

// Back to the state of a fresh process (1). Used by tests and the offline renderer, never by the demo.
void demoRandReset();

// The generator's state, kept with a scene's mark and put back when the timeline returns there.
uint32_t demoRandState();
void demoRandRestore(uint32_t state);

} // namespace zub
