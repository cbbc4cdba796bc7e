#include "safety/flash_limiter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zub {

namespace {

const int width = FlashAnalyser::frameWidth, height = FlashAnalyser::frameHeight;
const int pixelCount = width * height;
const int cellSize = FlashAnalyser::cellSize, columns = FlashAnalyser::columns, rows = FlashAnalyser::rows;
const int falloffCells = 6; // how far around a held-back cell the share rises back to the whole way
// A held-back cell keeps this share of a transition's threshold away from completing it, so that
// what is shown passes also after rounding, lossy video coding or an analysis begun elsewhere.
const float holdMargin = 0.6f;

uint32_t blendPixel(uint32_t from, uint32_t to, int share256) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    int a = (int)(from >> shift & 0xFF), b = (int)(to >> shift & 0xFF);
    int d = (b - a) * share256;
    // Rounded half away from zero, without a branch (the sign of a pixel's change is anyone's
    // guess): the magnitude rounded, then the sign put back.
    const int sign = d >> 31;
    d = ((((d ^ sign) - sign) + 128) >> 8 ^ sign) - sign;
    out |= (uint32_t)(a + d) << shift;
  }
  return out;
}

} // namespace

FlashLimiter::FlashLimiter(Margin margin)
    : analyser(margin == Margin::LossyVideo ? 0.7f : 1.0f),
      allowedTransitions(margin == Margin::LossyVideo ? FlashAnalyser::maxTransitions - 1 : FlashAnalyser::maxTransitions),
      last(new uint32_t[pixelCount]()), incoming(new uint32_t[pixelCount]), share(new int[FlashAnalyser::cells]),
      light(new CellLight), trial(new FlashAnalyser::Trial) {}

void FlashLimiter::reset() {
  analyser.reset();
  memset(last.get(), 0, sizeof(uint32_t) * pixelCount);
  framesChanged = 0;
}

void FlashLimiter::blendCell(uint32_t* out, int cell, int share256) {
  int x0 = cell % columns * cellSize, y0 = cell / columns * cellSize;
  for (int y = y0; y < y0 + cellSize; ++y)
    for (int x = x0; x < x0 + cellSize; ++x) {
      size_t i = (size_t)y * width + x;
      out[i] = blendPixel(last[i], incoming[i], share256);
    }
}

int FlashLimiter::safeShare(uint32_t* out, int cell, const bool allowed[2]) {
  // None of the way (the last shown cell) is always safe: it completed nothing when it was shown.
  int safe = 0, unsafe = 256;
  bool holdsSafe = false; // the cell in `out`, and its light, are those of the share `safe`
  while (unsafe - safe > 1) {
    int tried = (safe + unsafe) / 2;
    blendCell(out, cell, tried);
    FlashAnalyser::measureCell(out, cell, *light);
    bool transition[2];
    analyser.cellTrial(cell, *light, transition, holdMargin);
    bool ok = (!transition[0] || allowed[0]) && (!transition[1] || allowed[1]);
    (ok ? safe : unsafe) = tried;
    holdsSafe = ok;
  }
  if (!holdsSafe) {
    blendCell(out, cell, safe);
    FlashAnalyser::measureCell(out, cell, *light);
  }
  return safe;
}

// Every pixel moved from the last shown frame toward the new one by the share of its place: the
// cells' shares, each lowered near held-back cells, interpolated between cell centres.
void FlashLimiter::blendSmoothly(uint32_t* out) {
  // The rise with the distance to a held-back cell, by the distance in cells along each axis.
  static const struct Rise {
    int by[falloffCells][falloffCells];
    Rise() {
      for (int dy = 0; dy < falloffCells; ++dy)
        for (int dx = 0; dx < falloffCells; ++dx)
          by[dy][dx] = (int)(256 * std::sqrt((float)(dx * dx + dy * dy)) / falloffCells);
    }
  } rise;
  // Only the held-back cells nearer than the falloff count; a whole-frame strobe holds back most.
  int spread[rows][columns];
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < columns; ++x) spread[y][x] = 256;
  for (int hy = 0; hy < rows; ++hy)
    for (int hx = 0; hx < columns; ++hx) {
      const int held = share[hy * columns + hx];
      if (held >= 256) continue;
      for (int y = std::max(0, hy - falloffCells + 1); y <= std::min(rows - 1, hy + falloffCells - 1); ++y) {
        const int* by = rise.by[std::abs(hy - y)];
        for (int x = std::max(0, hx - falloffCells + 1); x <= std::min(columns - 1, hx + falloffCells - 1); ++x)
          spread[y][x] = std::min(spread[y][x], std::max(held, by[std::abs(hx - x)]));
      }
    }
  // Each cell takes the lowest share around it, so that no pixel of a held-back cell is
  // interpolated toward a neighbour's higher share.
  int field[rows][columns];
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < columns; ++x) {
      int lowest = 256;
      for (int ny = std::max(0, y - 1); ny <= std::min(rows - 1, y + 1); ++ny)
        for (int nx = std::max(0, x - 1); nx <= std::min(columns - 1, x + 1); ++nx)
          lowest = std::min(lowest, spread[ny][nx]);
      field[y][x] = lowest;
    }
  // Cell centres lie at 5, 15, ...: fixed point with 10 steps between two of them. The
  // interpolation between four centres is done down the columns first, once per row (the same
  // integers either way round).
  static const struct Across {
    int x0[width], x1[width], wx[width];
    Across() {
      for (int x = 0; x < width; ++x) {
        int fx = std::clamp(x - cellSize / 2, 0, (columns - 1) * cellSize);
        x0[x] = fx / cellSize, x1[x] = std::min(x0[x] + 1, columns - 1), wx[x] = fx - x0[x] * cellSize;
      }
    }
  } across;
  for (int y = 0; y < height; ++y) {
    int fy = std::clamp(y - cellSize / 2, 0, (rows - 1) * cellSize);
    int y0 = fy / cellSize, y1 = std::min(y0 + 1, rows - 1), wy = fy - y0 * cellSize;
    int down[columns];
    bool whole = true; // every share of the row the whole way
    for (int c = 0; c < columns; ++c) {
      down[c] = field[y0][c] * (cellSize - wy) + field[y1][c] * wy;
      whole = whole && field[y0][c] >= 256 && field[y1][c] >= 256;
    }
    const size_t row = (size_t)y * width;
    if (whole) {
      memcpy(out + row, incoming.get() + row, sizeof(uint32_t) * width);
      continue;
    }
    for (int x = 0; x < width; ++x) {
      int wx = across.wx[x];
      int s = (down[across.x0[x]] * (cellSize - wx) + down[across.x1[x]] * wx + cellSize * cellSize / 2) /
              (cellSize * cellSize);
      size_t i = row + x;
      out[i] = s >= 256 ? incoming[i] : blendPixel(last[i], incoming[i], s);
    }
  }
}

bool FlashLimiter::apply(uint32_t* pixels, int32_t ms) {
  FlashAnalyser::measure(pixels, *light);
  return limit(pixels, ms);
}

bool FlashLimiter::apply(uint32_t* pixels, const CellLight& measured, int32_t ms) {
  *light = measured;
  return limit(pixels, ms);
}

bool FlashLimiter::limit(uint32_t* pixels, int32_t ms) {
  analyser.trial(*light, ms, *trial, allowedTransitions);
  const bool acting = trial->fails;
  if (acting) {
    memcpy(incoming.get(), pixels, sizeof(uint32_t) * pixelCount);
    // A transition is allowed where the cell stays within the limit with it.
    bool allowed[FlashAnalyser::cells][2];
    for (int c = 0; c < FlashAnalyser::cells; ++c) {
      bool over = false;
      for (int kind = 0; kind < 2; ++kind) {
        int before = trial->count[kind][c] - (trial->transition[kind][c] ? 1 : 0);
        allowed[c][kind] = before < allowedTransitions;
        over = over || (trial->transition[kind][c] && !allowed[c][kind]);
      }
      share[c] = over ? safeShare(pixels, c, allowed[c]) : 256;
    }
    // safeShare leaves the light of a cell it tried as measured for its final share; the frame is
    // measured again once blended smoothly.
    blendSmoothly(pixels);
    // The smoothing never raises a held-back cell's share, but a cell blended unevenly can still
    // land on a transition: such a cell is blended evenly on its own.
    FlashAnalyser::measure(pixels, *light);
    for (int c = 0; c < FlashAnalyser::cells; ++c) {
      bool transition[2];
      analyser.cellTrial(c, *light, transition, share[c] < 256 ? holdMargin : 1);
      if ((transition[0] && !allowed[c][0]) || (transition[1] && !allowed[c][1])) safeShare(pixels, c, allowed[c]);
    }
  }
  analyser.add(*light, ms);
  memcpy(last.get(), pixels, sizeof(uint32_t) * pixelCount);
  if (acting) ++framesChanged;
  return acting;
}

} // namespace zub
