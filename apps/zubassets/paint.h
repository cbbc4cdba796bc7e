// Colour helpers shared by the generator's painters: packed 0xRRGGBB colours built, mixed and
// scaled in floating point, and a fixed pseudo-random sequence for details that must come out the
// same on every run.
#pragma once
#include <cmath>
#include <cstdint>

namespace assets {

inline uint32_t rgb(double r, double g, double b) {
  auto c = [](double v) { return (uint32_t)(v < 0 ? 0 : v > 255 ? 255 : std::lround(v)); };
  return c(r) << 16 | c(g) << 8 | c(b);
}
inline double channel(uint32_t c, int shift) { return (c >> shift) & 0xFF; }
inline uint32_t mix(uint32_t a, uint32_t b, double t) {
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  return rgb(channel(a, 16) + (channel(b, 16) - channel(a, 16)) * t, channel(a, 8) + (channel(b, 8) - channel(a, 8)) * t,
             channel(a, 0) + (channel(b, 0) - channel(a, 0)) * t);
}
inline uint32_t scale(uint32_t c, double k) { return rgb(channel(c, 16) * k, channel(c, 8) * k, channel(c, 0) * k); }
inline uint32_t add(uint32_t a, uint32_t b) {
  return rgb(channel(a, 16) + channel(b, 16), channel(a, 8) + channel(b, 8), channel(a, 0) + channel(b, 0));
}

// A fixed xorshift sequence: the same "random" details on every run.
struct Noise {
  uint32_t state;
  explicit Noise(uint32_t seed) : state(seed ? seed : 1) {}
  double next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return (state & 0xFFFFFF) / 16777216.0;
  }
};

// Smooth value noise: the same hills and hollows on every run, 0 to 1, one hill or hollow a unit.
inline double hash(int x, int y, uint32_t seed) {
  uint32_t h = (uint32_t)x * 374761393u + (uint32_t)y * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}
inline double smoothNoise(double x, double y, uint32_t seed) {
  int ix = (int)std::floor(x), iy = (int)std::floor(y);
  double fx = x - ix, fy = y - iy;
  fx = fx * fx * (3 - 2 * fx), fy = fy * fy * (3 - 2 * fy);
  double a = hash(ix, iy, seed), b = hash(ix + 1, iy, seed), c = hash(ix, iy + 1, seed), d = hash(ix + 1, iy + 1, seed);
  return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}
// Noise of several octaves, each half the size and half the weight of the last: clouds.
inline double clouds(double x, double y, int octaves, uint32_t seed) {
  double sum = 0, weight = 0.5, total = 0;
  for (int i = 0; i < octaves; ++i, x *= 2, y *= 2, weight *= 0.5) {
    sum += weight * smoothNoise(x, y, seed + (uint32_t)i);
    total += weight;
  }
  return sum / total;
}

} // namespace assets
