// The hash golden frames are kept and compared by: FNV-1a over the bytes of the frame's 0x00RRGGBB
// words in little-endian order, from the start value below. The timeline test, the web page's test
// hook and the page's own JavaScript (for what its canvas shows) must agree on it.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zub {

inline uint64_t frameHash(const uint32_t* pixels, size_t count) {
  uint64_t h = 1469598103934665603ull;
  const unsigned char* b = (const unsigned char*)pixels;
  for (size_t i = 0; i < count * 4; ++i) h = (h ^ b[i]) * 1099511628211ull;
  return h;
}

} // namespace zub
