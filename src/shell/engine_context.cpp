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
  // The tiling effect lays out up to three by three frames on the first of these; its pages are
  // taken now, so that the frame that first needs them is not held up by the system handing them out.
  const size_t sheet = (size_t)9 * w * h;
  for (size_t i = 0; i < sheet; i += 1024) bigA->pixels[i] = 0;
}
