#include "core/word_pack.h"

#include <algorithm>

namespace zub {

namespace {
constexpr uint32_t runBit = 0x80000000u;
constexpr size_t shortestRun = 3; // shorter repeats cost no less as runs than as plain words
} // namespace

size_t packWords(const uint32_t* words, size_t count, uint32_t* out) {
  size_t written = 0, i = 0, plainFrom = 0;
  auto flushPlain = [&](size_t end) {
    if (end == plainFrom) return;
    out[written++] = (uint32_t)(end - plainFrom);
    std::copy(words + plainFrom, words + end, out + written);
    written += end - plainFrom;
  };
  while (i < count) {
    size_t run = 1;
    while (i + run < count && words[i + run] == words[i] && run < (runBit - 1)) ++run;
    if (run >= shortestRun) {
      flushPlain(i);
      out[written++] = runBit | (uint32_t)run;
      out[written++] = words[i];
      i += run;
      plainFrom = i;
    } else {
      i += run;
      if (i - plainFrom >= runBit - 1) {
        flushPlain(i);
        plainFrom = i;
      }
    }
  }
  flushPlain(count);
  return written;
}

bool unpackWords(const uint32_t* packed, size_t packedCount, uint32_t* out, size_t count) {
  size_t read = 0, filled = 0;
  while (read < packedCount) {
    const uint32_t header = packed[read++];
    const size_t n = header & ~runBit;
    if (n > count - filled) return false;
    if (header & runBit) {
      if (read >= packedCount) return false;
      std::fill(out + filled, out + filled + n, packed[read++]);
    } else {
      if (n > packedCount - read) return false;
      std::copy(packed + read, packed + read + n, out + filled);
      read += n;
    }
    filled += n;
  }
  return filled == count;
}

bool packedEquals(const uint32_t* packed, size_t packedCount, const uint32_t* words, size_t count) {
  size_t read = 0, seen = 0;
  while (read < packedCount) {
    const uint32_t header = packed[read++];
    const size_t n = header & ~runBit;
    if (n > count - seen) return false;
    if (header & runBit) {
      if (read >= packedCount) return false;
      const uint32_t value = packed[read++];
      if (std::find_if(words + seen, words + seen + n, [value](uint32_t w) { return w != value; }) != words + seen + n)
        return false;
    } else {
      if (n > packedCount - read || !std::equal(packed + read, packed + read + n, words + seen)) return false;
      read += n;
    }
    seen += n;
  }
  return seen == count;
}

} // namespace zub
