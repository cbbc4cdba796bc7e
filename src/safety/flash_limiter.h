// The flash limiter: sits between the demo's frame and what is shown or written, so that every
// one-second window of what is shown stays within the flash thresholds of FlashAnalyser.
//
// It acts only on a frame that would fail as it is. Then each cell that would make a transition
// too many may move only part of the way from the last shown frame toward the new one: as far as
// it can without completing that transition. Around such cells the share rises smoothly with the
// distance, so what the viewer sees is the picture held back or cross-faded, not a patchwork of
// cells; the rest of the frame is shown as the demo drew it. A cell that would still complete a
// transition too many after the smoothing is blended on its own. A frame that passes as it is is
// shown unchanged, byte for byte.
#pragma once
#include <cstdint>
#include <memory>

#include "safety/flash_analyser.h"

namespace zub {

class FlashLimiter {
public:
  // Exact: for what is shown or written without loss; a frame that passes as it is is never
  // touched. LossyVideo: for a video that will be coded with loss (and perhaps coded again by a
  // video site), whose small changes of light can complete transitions the exact frames only
  // approach: it follows what it shows with thresholds 0.7 times the published ones and allows one
  // transition a second less, so that it also acts on some frames that pass as they are.
  enum class Margin { Exact, LossyVideo };
  explicit FlashLimiter(Margin margin = Margin::Exact);

  // Forgets every frame shown.
  void reset();

  // `pixels`: the frame about to be shown at `ms` (320 x 240, 0x00RRGGBB), changed in place where
  // it must be. Returns true when it was changed.
  bool apply(uint32_t* pixels, int32_t ms);
  // The same, for a frame whose light the caller has measured already (FlashAnalyser::measure).
  bool apply(uint32_t* pixels, const CellLight& measured, int32_t ms);

  int framesChanged = 0; // frames apply() changed so far

private:
  // The largest share (of 256) of the way from the last shown cell to the new one that completes
  // no transition the cell is not allowed; the cell is left blended by it in `out`, and its light
  // measured in `light`.
  int safeShare(uint32_t* out, int cell, const bool allowed[2]);
  void blendCell(uint32_t* out, int cell, int share256);
  void blendSmoothly(uint32_t* out);
  bool limit(uint32_t* pixels, int32_t ms); // `light` holds the frame's light

  FlashAnalyser analyser;                   // follows what was shown
  int allowedTransitions;                   // per second, in an area of the limit
  std::unique_ptr<uint32_t[]> last;         // the last shown frame
  std::unique_ptr<uint32_t[]> incoming;     // the frame as the demo drew it
  std::unique_ptr<int[]> share;             // per cell, of 256
  std::unique_ptr<CellLight> light;
  std::unique_ptr<FlashAnalyser::Trial> trial;
};

} // namespace zub
