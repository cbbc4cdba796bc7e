// Noise for the tune's instruments and arrangement from a fixed 32-bit linear-feedback shift
// register: the same sequence on every run, on every machine.
#pragma once
#include <cstdint>

struct Lfsr {
  uint32_t state;
  uint32_t next() {
    state = (state >> 1) ^ (-(state & 1u) & 0xA3000000u);
    return state;
  }
  double noise() { return (double)(next() & 0xFFFF) / 32768.0 - 1.0; }
  bool chance(int percent) { return (int)(next() % 100) < percent; }
};
