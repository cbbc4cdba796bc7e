// The flash analyser: measures the general flashes and red flashes of a stream of 320 x 240 frames
// after the published thresholds for photosensitive viewers (more than three flashes in any one
// second fail).
//
// Light is measured per cell of 10 x 10 pixels (a pixel's own noise is not a flash): the mean
// relative luminance L = 0.2126 R + 0.7152 G + 0.0722 B of linear sRGB, the mean red value
// (R - G - B) x 320 (negative values taken as 0), and whether the cell is saturated red
// (R / (R + G + B) >= 0.8 of its mean light). Each cell follows its own transitions: a change of L
// by 0.1 or more where the darker state is below 0.8, or of the red value by more than 20 where one
// of the two states is saturated red; a transition may build over several frames. A flash is a
// pair of opposing transitions.
//
// Viewing geometry: the frame shown full screen on a desktop monitor. A 10-degree field of view
// then covers a third of the frame's width and height (107 x 80 pixels, as 341 x 256 does on a
// 1024 x 768 screen), taken as 11 x 8 cells; a frame fails when, within any such field, the cells
// with more than six transitions in the one second ending at the frame cover a quarter of it or
// more (22 cells, 2.9% of the frame; far stricter than a quarter of the frame).
#pragma once
#include <cstdint>

#include "core/frame.h"

namespace zub {

enum FlashKind { GeneralFlash = 0, RedFlash = 1 };

struct FlashVerdict {
  bool fails[2] = {false, false};     // by kind
  float flashesPerSecond[2] = {0, 0}; // the most flashes in the last second over an area of the limit
  bool failing() const { return fails[0] || fails[1]; }
};

// Light of one frame, per cell.
struct CellLight {
  float luminance[768];
  float red[768];
  bool saturated[768];
};

class FlashAnalyser {
public:
  static constexpr int frameWidth = zub::frameWidth, frameHeight = zub::frameHeight;
  static constexpr int cellSize = 10, columns = 32, rows = 24, cells = columns * rows;
  static constexpr int fieldColumns = 11, fieldRows = 8;
  static constexpr int areaCells = 22;     // a quarter of a field, rounded up
  static constexpr int maxTransitions = 6; // per second: more than three flashes fail
  static constexpr int32_t windowMs = 1000;

  // `sensitivity` below 1 makes smaller changes count as transitions (thresholds times it): the
  // limiter follows what it shows with such a stricter analyser.
  explicit FlashAnalyser(float sensitivity = 1);

  // Forgets every frame seen.
  void reset();

  // The light of each cell of `pixels` (0x00RRGGBB, rows 320 pixels apart).
  static void measure(const uint32_t* pixels, CellLight& light);
  // The light of one cell only.
  static void measureCell(const uint32_t* pixels, int cell, float& luminance, float& red, bool& saturated);
  static void measureCell(const uint32_t* pixels, int cell, CellLight& light);

  // Takes the frame shown at `ms` (milliseconds, never decreasing) and says whether the second
  // ending at it holds too many flashes.
  FlashVerdict add(const uint32_t* pixels, int32_t ms);
  FlashVerdict add(const CellLight& light, int32_t ms);

  // What showing a frame of this light at `ms` would do, without taking it: for each cell and
  // kind, whether it would make a transition there, and whether the frame would fail. The limiter
  // asks this before it decides what to show.
  struct Trial {
    bool transition[2][cells];
    int count[2][cells]; // transitions in the window with this frame taken
    bool fails;
  };
  // `allowed`: the transitions per second a cell may show before it counts toward the area limit
  // (maxTransitions for the thresholds themselves; the limiter asks with one less, for a margin).
  void trial(const CellLight& light, int32_t ms, Trial& out, int allowed = maxTransitions) const;
  // Whether a cell showing this light at the next frame would make a transition, by kind, were the
  // thresholds `scale` times what they are (below 1: the limiter's margin, so that what it shows
  // still passes after rounding, lossy video coding, or an analysis started at another frame).
  void cellTrial(int cell, const CellLight& light, bool transition[2], float scale = 1) const;

private:
  // The state of one measure in one cell: the extremes since its last transition and that
  // transition's direction (+1 up, -1 down, 0 none yet).
  struct Tracker {
    float low, high;
    bool lowSaturated, highSaturated; // red: whether the extreme state was saturated red
    int8_t direction;
    bool started;
  };
  static bool stepGeneral(Tracker& t, float luminance, float scale = 1);
  static bool stepRed(Tracker& t, float red, bool saturated, float scale = 1);
  bool failsOver(const int* count, int atLeast) const;
  uint64_t windowMask(int32_t ms) const;

  float sensitivity;
  Tracker trackers[2][cells];
  uint64_t history[2][cells]; // bit k: a transition k frames before the newest
  int32_t times[64];          // times of the newest frames, newest at index 0
  int frames = 0;
};

} // namespace zub
