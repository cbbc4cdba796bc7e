#include "objects/render_space.h"

#include <cstddef>
#include <new>

RenderSpace::RenderSpace(int w, int h) {
  width = w;
  height = h;
  depths = new (std::nothrow) uint16_t[(size_t)w * h];
  // Without a depth buffer the demo ends with nothing more to say than its status.
  if (!depths) {
    width = height = 0;
    failure = zub::failure(1, "%s", "");
  }
}

RenderSpace::~RenderSpace() { delete[] depths; }

void RenderSpace::clearDepths() {
  uint16_t* z = depths;
  for (size_t i = 0, n = (size_t)width * height; i < n; ++i) z[i] = 0xFFFF;
}
