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

namespace {

// Reads packed words in order: `run(value, at, n)` for n copies of a word and `plain(words, at, n)`
// for n words as they are, `at` counting the words given before. False when a callback returns
// false or the packed words do not give exactly `count` words.
template <typename Run, typename Plain>
bool readPacked(const uint32_t* packed, size_t packedCount, size_t count, Run run, Plain plain) {
  size_t read = 0, given = 0;
  while (read < packedCount) {
    const uint32_t header = packed[read++];
    const size_t n = header & ~runBit;
    if (n > count - given) return false;
    if (header & runBit) {
      if (read >= packedCount || !run(packed[read++], given, n)) return false;
    } else {
      if (n > packedCount - read || !plain(packed + read, given, n)) return false;
      read += n;
    }
    given += n;
  }
  return given == count;
}

} // namespace

bool unpackWords(const uint32_t* packed, size_t packedCount, uint32_t* out, size_t count) {
  return readPacked(
      packed, packedCount, count,
      [out](uint32_t value, size_t at, size_t n) {
        std::fill(out + at, out + at + n, value);
        return true;
      },
      [out](const uint32_t* words, size_t at, size_t n) {
        std::copy(words, words + n, out + at);
        return true;
      });
}

bool packedEquals(const uint32_t* packed, size_t packedCount, const uint32_t* words, size_t count) {
  return readPacked(
      packed, packedCount, count,
      [words](uint32_t value, size_t at, size_t n) {
        return std::all_of(words + at, words + at + n, [value](uint32_t w) { return w == value; });
      },
      [words](const uint32_t* plain, size_t at, size_t n) { return std::equal(plain, plain + n, words + at); });
}

} // namespace zub
