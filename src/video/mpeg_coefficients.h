// The fast reader of a block's DCT coefficients (Tables B.14 and B.15, both escape formats): the
// decoder's hot loop, written once for the four block kinds and for whatever is done with each
// coefficient. The block layer inverse-quantises them; the tests record them and compare them with
// a plain reader. Its tables and the bit cursor it reads through are described in README.md beside
// this file ("Fast DCT tables", "The bit cursor", "The coefficient loop").
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "video/mpeg_input.h"
#include "video/mpeg_vlc.h"

// How a block's coefficients ended: at end of block, or on one of the faults a stream can carry.
// An invalid code is left unread; an invalid escape and a position past the block are consumed.
enum class BlockEnd { EndOfBlock, InvalidCode, InvalidEscape, OutOfBounds };

// The tables one block is read with: the first code's fast table (a non-intra block reads "1s"
// there as run 0, level 1), the fast table of the others, and the lookups behind both.
struct DctCodes {
  const DctFastEntry* first;
  const DctFastEntry* rest;
  const DctLookup* table;   // its long codes' fast table, and the two-table lookup of the rest
};

// Intra blocks use Table B.15 when the picture says so (intra_vlc_format, MPEG-2 only); every
// other block uses Table B.14.
inline DctCodes dctCodesFor(const MpegVlcTables& vlc, bool intra, bool intraVlcOne) {
  const DctLookup& table = intra && intraVlcOne ? vlc.dctOne : vlc.dctZero;
  return DctCodes{intra ? table.fast : vlc.nonIntraFirst, table.fast, &table};
}

namespace dct {

// A magnitude with the sign of `sign` (0 or -1), without a branch on the sign, which is as good as
// random in a stream.
inline int withSign(int magnitude, int sign) { return (magnitude ^ sign) - sign; }

// The entry for the next DCT coefficient code: codes that start with six zeros are in the long
// table, indexed by the ten bits after them.
inline const VlcEntry& dctCode(const DctLookup& table, uint32_t next16) {
  return (next16 >> 10) ? table.shortCodes[next16 >> 8] : table.longCodes[next16 & 1023];
}

// The MPEG-1 escape: a 6-bit run, then an 8-bit level, or 16 bits where the first byte is 0 or 128.
inline void mpeg1Escape(MpegBitCursor& bits, int& run, int& level, int& sign) {
  run = bits.get(6);
  level = bits.get(8);
  if (level == 0)
    level = bits.get(8);
  else if (level == 128)
    level = (int)bits.get(8) - 256;
  else if (level > 128)
    level -= 256;
  sign = level < 0 ? -1 : 0;
  level = abs(level);
}

enum class Coefficient { Decoded, InvalidCode, InvalidEscape };

// A coefficient the fast table leaves to the two-table lookup: an escape, a code that starts with
// six zeros, or bits that match no code (left unread). End of block never comes this way.
template <bool MPEG2>
inline Coefficient slowCoefficient(MpegBitCursor& bits, const DctLookup& table, int& run, int& level, int& sign) {
  const VlcEntry& e = dctCode(table, bits.show(16));
  if (e.length == 0) return Coefficient::InvalidCode;
  uint32_t codeAndSign = bits.show(e.length + 1);  // a code is at most 16 bits
  bits.skip(e.value >= 0 ? e.length + 1 : e.length);
  if (e.value != kDctEscape) {
    run = e.run;
    level = e.value;
    sign = -(int)(codeAndSign & 1);
  } else if (!MPEG2) {
    mpeg1Escape(bits, run, level, sign);
  } else {
    run = bits.get(6);
    level = bits.get(12);
    if ((level & 2047) == 0) return Coefficient::InvalidEscape;
    sign = level >= 2048 ? -1 : 0;
    if (sign) level = 4096 - level;
  }
  return Coefficient::Decoded;
}

// The fast entry for the next code: codes that start with six zeros come from the long table. Both
// are read and one is picked without a branch, since long codes come at random. Each entry travels
// whole through one 32-bit register (copied in, picked, copied out), and the 17 bits shown index
// the short table by their top kDctFastBits and the long one by the kDctLongFastBits after the six
// zeros.
static_assert(sizeof(DctFastEntry) == sizeof(uint32_t) && std::is_trivially_copyable_v<DctFastEntry>,
              "a fast entry is copied whole through a 32-bit register");
static_assert(kDctFastBits <= 17 && 6 + kDctLongFastBits == 17, "the 17 bits shown are a short index or six zeros "
              "and a long index");
inline DctFastEntry fastEntry(const DctFastEntry* fast, const DctFastEntry* longFast, uint32_t next17) {
  uint32_t shortEntry, longEntry;
  memcpy(&shortEntry, &fast[next17 >> (17 - kDctFastBits)], sizeof shortEntry);
  memcpy(&longEntry, &longFast[next17 & ((1u << kDctLongFastBits) - 1)], sizeof longEntry);
  uint32_t prefix = next17 >> kDctLongFastBits, picked = shortEntry;
#if defined(__x86_64__) && !defined(ZUB_PORTABLE)
  // Compilers make a branch of the choice, which would mispredict on a sixth of the codes. A
  // portable build has no assembly at all, and takes the compiler's choice.
  asm("test %1, %1\n\tcmovz %2, %0" : "+r"(picked) : "r"(prefix), "r"(longEntry) : "cc");
#else
  if (prefix == 0) picked = longEntry;
#endif
  DctFastEntry e;
  memcpy(&e, &picked, sizeof e);
  return e;
}

// The common case: a code other than the escape that lands inside the block. Moves the scan
// position `i` on (the caller tops the window up) and returns true, or returns false (nothing read)
// for end of block, a run past the block, the escape and bits that match no code.
inline bool fastCoefficient(MpegBitCursor& bits, const DctFastEntry* fast, const DctFastEntry* longFast, int& i,
                            int& level, int& sign) {
  DctFastEntry e = fastEntry(fast, longFast, bits.show(17));
  if (i + e.advance >= 64) return false;
  bits.consume(e.length);
  i += e.advance;
  sign = e.sign;
  level = e.magnitude;
  return true;
}

// What fastCoefficient declined: end of block (true, consumed) or the run and level of any other
// code, read as the two-table decoder reads it.
template <bool MPEG2>
inline bool otherCode(MpegBitCursor& bits, const DctFastEntry* fast, const DctFastEntry* longFast,
                      const DctLookup& table, Coefficient& result, int& run, int& level, int& sign) {
  DctFastEntry e = fastEntry(fast, longFast, bits.show(17));
  result = Coefficient::Decoded;
  if (e.advance == kDctFastEndOfBlock) {
    bits.skip(e.length);
    return true;
  }
  if (e.advance < kDctFastEndOfBlock) {
    bits.skip(e.length);
    run = e.advance - 1;
    sign = e.sign;
    level = e.magnitude;
  } else {
    result = slowCoefficient<MPEG2>(bits, table, run, level, sign);
  }
  return false;
}

// Not an end: the coefficient loop goes on.
constexpr BlockEnd Decoded = BlockEnd(-1);

}  // namespace dct

// Reads one block's coefficients, from scan position `i` (0 after an intra block's DC, -1 at the
// start of a non-intra block) to its end, calling put(position, magnitude, sign) for each with
// the scan position, the level's magnitude and its sign (0 or -1). MPEG2 picks the escape format.
// The input is read through a bit cursor and must not be touched by `put`.
template <bool MPEG2, class Put>
inline BlockEnd readDctCoefficients(MpegInput& input, const DctCodes& codes, int i, Put&& put) {
  MpegBitCursor bits(input);
  const DctFastEntry* longFast = codes.table->longFast;
  // A code the fast path declined: Decoded (and put), or the block's end.
  auto other = [&](const DctFastEntry* fast) {
    bits.refill();
    int run, level, sign;
    dct::Coefficient result;
    if (dct::otherCode<MPEG2>(bits, fast, longFast, *codes.table, result, run, level, sign))
      return BlockEnd::EndOfBlock;
    if (result == dct::Coefficient::InvalidCode) return BlockEnd::InvalidCode;
    if (result == dct::Coefficient::InvalidEscape) return BlockEnd::InvalidEscape;
    i += run + 1;
    if (i >= 64) return BlockEnd::OutOfBounds;
    put(i, level, sign);
    return dct::Decoded;
  };
  // The first code has a table of its own; a top-up leaves at least 56 bits, so three codes of the
  // fast tables (17 bits at most) follow each.
  static_assert(3 * (6 + kDctLongFastBits) <= 56, "three fast codes after one top-up");
  // A marker's advance takes any scan position, from -1 on, past the block.
  static_assert(kDctFastEndOfBlock - 1 >= 64 && kDctFastOther - 1 >= 64, "one bound for markers and long runs");
  bits.refill();
  int level, sign;
  BlockEnd end = dct::Decoded;
  if (dct::fastCoefficient(bits, codes.first, longFast, i, level, sign))
    put(i, level, sign);
  else
    end = other(codes.first);
  const DctFastEntry* fast = codes.rest;
  while (end == dct::Decoded) {
    bits.refill();
    int taken = 0;
#pragma GCC unroll 3
    for (; taken < 3; ++taken) {
      if (!dct::fastCoefficient(bits, fast, longFast, i, level, sign)) break;
      put(i, level, sign);
    }
    if (taken < 3) end = other(fast);
  }
  bits.finish();
  return end;
}
