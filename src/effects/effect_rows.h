// The busiest whole-picture loops of the blends and the edge detector, as plain loops for
// effect_kernels.cpp and effect_kernels_avx2.cpp to compile each for its own processor. Internal
// linkage on purpose: each file keeps its own copy, never one built for the other's instructions.
#pragma once
#include <cstdint>

namespace {

// Packed mix: a weighted u, b weighted 255 - u, divisor 256. Red and green are rounded once, blue
// per term; that rounding is part of the result.
inline uint32_t packedMix(uint32_t a, uint32_t b, uint32_t u) {
  uint32_t v = 255 - u;
  uint32_t rb = ((((a & 0x00FF00FF) * u) >> 8) + (((b & 0x00FF00FF) * v) >> 8)) & 0x00FF00FF;
  uint32_t g = ((((a & 0x0000FF00) * u) >> 8) + (((b & 0x0000FF00) * v) >> 8)) & 0x0000FF00;
  return rb | g;
}

// d[i] = the mix of d[i] (weight u) and s[i]. Pairs are taken in order, as a blit onto the same
// pixels needs.
void mixRow(uint32_t* d, const uint32_t* s, int n, uint32_t u) {
  for (int i = 0; i < n; ++i) d[i] = packedMix(d[i], s[i], u);
}

// p[i] = the mix of colour (weight u) and p[i].
void mixColourRow(uint32_t* p, int64_t n, uint32_t colour, uint32_t u) {
  for (int64_t i = 0; i < n; ++i) p[i] = packedMix(colour, p[i], u);
}

// The summed differences of one channel to the pixel above and the pixel to the left, 0 to 510.
inline uint32_t edgeSum(uint32_t above, uint32_t left, uint32_t centre) {
  return (above > centre ? above - centre : centre - above) + (left > centre ? left - centre : centre - left);
}

// Channel edge strength: gain times the summed differences, truncated, at most 255. The product
// is exact in double (a float rounding could lift 6.9999999 to 7). Clamping before the conversion
// keeps huge or negative gains from overflowing it.
inline uint32_t edgeStrength(int e, double gain) {
  double v = e * gain;
  return v < 255.0 ? (v > 0.0 ? (uint32_t)(int)v : 0u) : 255u;
}

// dst[i] for i in from .. count - 1 from src's pixel, the one above (w back) and the one to the
// left. Worked out per channel rather than looked up, so that the loop can run many pixels at once.
void edgePixels(const uint32_t* src, uint32_t* dst, int64_t from, int64_t count, int64_t w, double gain) {
  for (int64_t i = from; i < count; ++i) {
    uint32_t a = src[i - w], l = src[i - 1], c = src[i];
    dst[i] = edgeStrength((int)edgeSum(a >> 16 & 0xFF, l >> 16 & 0xFF, c >> 16 & 0xFF), gain) << 16 |
             edgeStrength((int)edgeSum(a >> 8 & 0xFF, l >> 8 & 0xFF, c >> 8 & 0xFF), gain) << 8 |
             edgeStrength((int)edgeSum(a & 0xFF, l & 0xFF, c & 0xFF), gain);
  }
}

}  // namespace
