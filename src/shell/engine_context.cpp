#include "shell/engine_context.h"

#include <cstddef>

EngineContext::EngineContext(int w, int h) : space(w, h), bitmaps(slotCount), objects(slotCount) {
  if (space.failure) {
    failure = space.failure;
    return;
  }
  // Each failure ends the start-up before the next bitmap is announced.
  for (std::unique_ptr<Bitmap>* slot : {&bigA, &bigB, &scratch}) {
    const int32_t scale = slot == &scratch ? 1 : 5;
    *slot = std::make_unique<Bitmap>(scale * w, scale * h);
    if (!(*slot)->ok()) {
      failure = (*slot)->failure;
      return;
    }
  }
  space.scratch = scratch.get();
}
