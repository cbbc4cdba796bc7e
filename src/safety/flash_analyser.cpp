#include "safety/flash_analyser.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#if defined(__SSE2__) && !defined(ZUB_PORTABLE)
#include <emmintrin.h>
#define ZUB_FLASH_SSE2 1
#endif

namespace zub {

namespace {

const float generalStep = 0.1f;  // a change of relative luminance of 10% of the maximum or more
const float darkLimit = 0.8f;    // ... where the darker state is below 0.8
const float redStep = 20;        // a change of (R - G - B) x 320 of more than 20

// sRGB to linear light, one entry per 8-bit value; the luminance weights folded in.
struct LinearTables {
  float linear[256];
  float lr[256], lg[256], lb[256];
  LinearTables() {
    for (int i = 0; i < 256; ++i) {
      double c = i / 255.0;
      double v = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
      linear[i] = (float)v;
      lr[i] = (float)(0.2126 * v);
      lg[i] = (float)(0.7152 * v);
      lb[i] = (float)(0.0722 * v);
    }
  }
};

const LinearTables& tables() {
  static const LinearTables t;
  return t;
}

} // namespace

FlashAnalyser::FlashAnalyser(float sensitivity) : sensitivity(sensitivity) { reset(); }

void FlashAnalyser::reset() {
  memset(trackers, 0, sizeof trackers);
  memset(history, 0, sizeof history);
  memset(times, 0, sizeof times);
  frames = 0;
}

namespace {

// The running sums of one cell's light, a row of its pixels at a time.
struct CellSums {
  float l = 0, red = 0, r = 0, gb = 0;

  void addRow(const LinearTables& t, const uint32_t* row) {
    for (int x = 0; x < FlashAnalyser::cellSize; ++x) {
      uint32_t p = row[x];
      unsigned pr = p >> 16 & 0xFF, pg = p >> 8 & 0xFF, pb = p & 0xFF;
      l += t.lr[pr] + t.lg[pg] + t.lb[pb];
      float R = t.linear[pr], GB = t.linear[pg] + t.linear[pb];
      r += R;
      gb += GB;
      // Only red above green and blue counts; adding 0 leaves the sum as it is, without a branch.
      const float over = R - GB;
      red += (over > 0 ? over : 0.0f) * 320;
    }
  }

  void finish(float& luminance, float& redValue, bool& saturated) const {
    const float area = 1.0f / (FlashAnalyser::cellSize * FlashAnalyser::cellSize);
    luminance = l * area;
    redValue = red * area;
    // R / (R + G + B) >= 0.8, that is R >= 4 (G + B).
    saturated = r > 0 && r >= 4 * gb;
  }
};

} // namespace

void FlashAnalyser::measureCell(const uint32_t* pixels, int cell, float& luminance, float& red, bool& saturated) {
  const LinearTables& t = tables();
  int x0 = cell % columns * cellSize, y0 = cell / columns * cellSize;
  CellSums sums;
  for (int y = y0; y < y0 + cellSize; ++y) sums.addRow(t, pixels + (size_t)y * frameWidth + x0);
  sums.finish(luminance, red, saturated);
}

void FlashAnalyser::measureCell(const uint32_t* pixels, int cell, CellLight& light) {
  measureCell(pixels, cell, light.luminance[cell], light.red[cell], light.saturated[cell]);
}

#ifdef ZUB_FLASH_SSE2
namespace {

// A pixel's terms as four lanes, so that the three tables' entries summed give, exactly:
// lane 0 its weighted luminance (lr + lg) + lb, lane 1 its G + B, lane 2 its R (each term plus
// zeros, which changes no bit), lane 3 zero.
struct alignas(16) LaneTables {
  float r[256][4], g[256][4], b[256][4];
  LaneTables() {
    const LinearTables& t = tables();
    for (int i = 0; i < 256; ++i) {
      const float rr[4] = {t.lr[i], 0, t.linear[i], 0}, gg[4] = {t.lg[i], t.linear[i], 0, 0},
                  bb[4] = {t.lb[i], t.linear[i], 0, 0};
      memcpy(r[i], rr, sizeof rr), memcpy(g[i], gg, sizeof gg), memcpy(b[i], bb, sizeof bb);
    }
  }
};

const LaneTables& laneTables() {
  static const LaneTables t;
  return t;
}

} // namespace
#endif

// A whole band of cells at a time: each cell's sums take its pixels in the same order as
// measureCell, so the light is the same to the bit, but the cells' chains of additions overlap.
void FlashAnalyser::measure(const uint32_t* pixels, CellLight& light) {
#ifdef ZUB_FLASH_SSE2
  // The same additions, in the same order per cell, four sums to a register: lanes l, G + B, R
  // and the red value. The red term is made in lane 3 only (the other lanes add zero).
  const LaneTables& lt = laneTables();
  const __m128 zero = _mm_setzero_ps(), scale = _mm_set1_ps(320);
  static_assert(columns % 4 == 0);
  for (int band = 0; band < rows; ++band) {
    __m128 sums[columns];
    for (__m128& s : sums) s = zero;
    for (int y = band * cellSize; y < (band + 1) * cellSize; ++y) {
      const uint32_t* row = pixels + (size_t)y * frameWidth;
      auto add = [&](__m128& acc, uint32_t p) {
        const __m128 terms = _mm_add_ps(_mm_add_ps(_mm_load_ps(lt.r[p >> 16 & 0xFF]), _mm_load_ps(lt.g[p >> 8 & 0xFF])),
                                        _mm_load_ps(lt.b[p & 0xFF]));
        const __m128 red = _mm_shuffle_ps(terms, terms, _MM_SHUFFLE(2, 3, 3, 3));
        const __m128 greenBlue = _mm_shuffle_ps(terms, terms, _MM_SHUFFLE(1, 3, 3, 3));
        const __m128 over = _mm_mul_ps(_mm_max_ps(_mm_sub_ps(red, greenBlue), zero), scale);
        acc = _mm_add_ps(acc, _mm_add_ps(terms, over));
      };
      // Four cells side by side, so that their chains of additions run interleaved.
      for (int c = 0; c < columns; c += 4) {
        __m128 a0 = sums[c], a1 = sums[c + 1], a2 = sums[c + 2], a3 = sums[c + 3];
        const uint32_t* p = row + c * cellSize;
        for (int x = 0; x < cellSize; ++x) {
          add(a0, p[x]);
          add(a1, p[cellSize + x]);
          add(a2, p[2 * cellSize + x]);
          add(a3, p[3 * cellSize + x]);
        }
        sums[c] = a0, sums[c + 1] = a1, sums[c + 2] = a2, sums[c + 3] = a3;
      }
    }
    for (int c = 0; c < columns; ++c) {
      alignas(16) float lanes[4];
      _mm_store_ps(lanes, sums[c]);
      CellSums cell;
      cell.l = lanes[0], cell.gb = lanes[1], cell.r = lanes[2], cell.red = lanes[3];
      const int index = band * columns + c;
      cell.finish(light.luminance[index], light.red[index], light.saturated[index]);
    }
  }
#else
  const LinearTables& t = tables();
  for (int band = 0; band < rows; ++band) {
    CellSums sums[columns];
    for (int y = band * cellSize; y < (band + 1) * cellSize; ++y) {
      const uint32_t* row = pixels + (size_t)y * frameWidth;
      for (int c = 0; c < columns; ++c) sums[c].addRow(t, row + c * cellSize);
    }
    for (int c = 0; c < columns; ++c) {
      const int cell = band * columns + c;
      sums[c].finish(light.luminance[cell], light.red[cell], light.saturated[cell]);
    }
  }
#endif
}

// Feeds one luminance to a tracker; true when it completes a transition.
bool FlashAnalyser::stepGeneral(Tracker& t, float value, float scale) {
  const float threshold = generalStep * scale;
  if (!t.started) {
    t.low = t.high = value;
    t.started = true;
    return false;
  }
  if (t.direction >= 0 && t.high - value >= threshold && value < darkLimit) {
    t.direction = -1;
    t.low = t.high = value;
    return true;
  }
  if (t.direction <= 0 && value - t.low >= threshold && t.low < darkLimit) {
    t.direction = 1;
    t.low = t.high = value;
    return true;
  }
  t.low = std::min(t.low, value);
  t.high = std::max(t.high, value);
  return false;
}

// Feeds one red value to a tracker; true when it completes a transition to or from saturated red.
bool FlashAnalyser::stepRed(Tracker& t, float value, bool saturated, float scale) {
  const float threshold = redStep * scale;
  if (!t.started) {
    t.low = t.high = value;
    t.lowSaturated = t.highSaturated = saturated;
    t.started = true;
    return false;
  }
  if (t.direction >= 0 && t.high - value > threshold && (t.highSaturated || saturated)) {
    t.direction = -1;
    t.low = t.high = value;
    t.lowSaturated = t.highSaturated = saturated;
    return true;
  }
  if (t.direction <= 0 && value - t.low > threshold && (t.lowSaturated || saturated)) {
    t.direction = 1;
    t.low = t.high = value;
    t.lowSaturated = t.highSaturated = saturated;
    return true;
  }
  if (value < t.low || (value == t.low && saturated)) {
    t.low = value;
    t.lowSaturated = saturated;
  }
  if (value > t.high || (value == t.high && saturated)) {
    t.high = value;
    t.highSaturated = saturated;
  }
  return false;
}

// Bit k set when the frame k frames before the newest one lies in the window ending at `ms`
// (the newest frame is the one at `ms`, about to be taken: bit 0).
uint64_t FlashAnalyser::windowMask(int32_t ms) const {
  uint64_t mask = 1;
  for (int k = 0; k < std::min(frames, 63); ++k) {
    if (ms - times[k] >= windowMs) break;
    mask |= 2ull << k;
  }
  return mask;
}

// Whether, in some field, the cells with at least `atLeast` transitions cover the area limit.
bool FlashAnalyser::failsOver(const int* count, int atLeast) const {
  // Summed-area table of the cells that qualify.
  int sum[rows + 1][columns + 1];
  for (int x = 0; x <= columns; ++x) sum[0][x] = 0;
  for (int y = 0; y < rows; ++y) {
    sum[y + 1][0] = 0;
    int line = 0;
    for (int x = 0; x < columns; ++x) {
      line += count[y * columns + x] >= atLeast;
      sum[y + 1][x + 1] = sum[y][x + 1] + line;
    }
  }
  for (int y = 0; y + fieldRows <= rows; ++y)
    for (int x = 0; x + fieldColumns <= columns; ++x) {
      int n = sum[y + fieldRows][x + fieldColumns] - sum[y][x + fieldColumns] - sum[y + fieldRows][x] + sum[y][x];
      if (n >= areaCells) return true;
    }
  return false;
}

void FlashAnalyser::cellTrial(int cell, const CellLight& light, bool transition[2], float scale) const {
  Tracker g = trackers[GeneralFlash][cell], r = trackers[RedFlash][cell];
  transition[GeneralFlash] = stepGeneral(g, light.luminance[cell], scale * sensitivity);
  transition[RedFlash] = stepRed(r, light.red[cell], light.saturated[cell], scale * sensitivity);
}

void FlashAnalyser::trial(const CellLight& light, int32_t ms, Trial& out, int allowed) const {
  // The window as it will be once this frame is the newest: older frames shift up one bit.
  uint64_t mask = windowMask(ms);
  out.fails = false;
  for (int kind = 0; kind < 2; ++kind) {
    const float* value = kind == GeneralFlash ? light.luminance : light.red;
    bool any = false;
    for (int c = 0; c < cells; ++c) {
      Tracker t = trackers[kind][c];
      bool now = kind == GeneralFlash ? stepGeneral(t, value[c], sensitivity)
                                      : stepRed(t, value[c], light.saturated[c], sensitivity);
      out.transition[kind][c] = now;
      out.count[kind][c] = std::popcount(((history[kind][c] << 1) | (now ? 1 : 0)) & mask);
      any = any || out.count[kind][c] > allowed;
    }
    if (any && failsOver(out.count[kind], allowed + 1)) out.fails = true;
  }
}

FlashVerdict FlashAnalyser::add(const CellLight& light, int32_t ms) {
  uint64_t mask = windowMask(ms);
  memmove(times + 1, times, sizeof times - sizeof times[0]);
  times[0] = ms;
  ++frames;
  FlashVerdict verdict;
  int count[cells];
  for (int kind = 0; kind < 2; ++kind) {
    const float* value = kind == GeneralFlash ? light.luminance : light.red;
    int most = 0;
    for (int c = 0; c < cells; ++c) {
      bool now = kind == GeneralFlash ? stepGeneral(trackers[kind][c], value[c], sensitivity)
                                      : stepRed(trackers[kind][c], value[c], light.saturated[c], sensitivity);
      history[kind][c] = history[kind][c] << 1 | (now ? 1 : 0);
      count[c] = std::popcount(history[kind][c] & mask);
      most = std::max(most, count[c]);
    }
    if (most <= maxTransitions || !failsOver(count, maxTransitions + 1)) continue;
    verdict.fails[kind] = true;
    // The most transitions that an area of the limit shows together in the last second.
    int n = maxTransitions + 1;
    while (n < most && failsOver(count, n + 1)) ++n;
    verdict.flashesPerSecond[kind] = n / 2.0f;
  }
  return verdict;
}

FlashVerdict FlashAnalyser::add(const uint32_t* pixels, int32_t ms) {
  CellLight light;
  measure(pixels, light);
  return add(light, ms);
}

} // namespace zub
