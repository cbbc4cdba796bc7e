// Lookup tables built once from the code lists of mpeg_tables.h, so the macroblock and block layers
// decode a variable-length code with one or two table reads.
#pragma once
#include <cstdint>

#include "video/mpeg_tables.h"

struct VlcEntry {
  int16_t value;   // decoded value
  uint8_t length;  // code length in bits; 0 for bit patterns that match no code
  uint8_t run;     // DCT coefficients: run of zeros
};

// A table indexed directly by the next `bits` bits of the stream.
struct VlcLookup {
  int bits = 0;
  VlcEntry* entries = nullptr;
};

// A DCT coefficient code and its sign bit resolved in one read of the next `kDctFastBits` bits.
// `advance` is the run plus one, so adding it to the scan position gives the coefficient's
// position; end of block and every code this table cannot resolve (escape, long codes, invalid
// bits) carry an advance of at least 128, which no valid position reaches, so the block loop
// tests a single bound for them and for runs past the block.
constexpr int kDctFastBits = 10;
constexpr uint8_t kDctFastEndOfBlock = 128;
constexpr uint8_t kDctFastOther = 192;
// The length comes first, in the low byte of the word the block loop reads, so the window can be
// shifted by the word itself: one step less on the chain from one code to the next. The level is
// kept as its magnitude (at most 40 in these tables) and its sign, ready for the reconstruction.
struct DctFastEntry {
  uint8_t length;     // bits of the code and the sign (end of block: of the code)
  uint8_t advance;    // run + 1, or one of the two markers above
  uint8_t magnitude;  // of the level
  int8_t sign;        // 0 for a positive level, -1 for a negative one
  DctFastEntry() = default;
  constexpr DctFastEntry(int16_t level, uint8_t advance, uint8_t length)
      : length(length), advance(advance), magnitude((uint8_t)(level < 0 ? -level : level)),
        sign((int8_t)(level < 0 ? -1 : 0)) {}
  constexpr int level() const { return sign ? -magnitude : magnitude; }
};

// The codes that start with six zeros (12 to 16 bits and the sign) in the same form, indexed by the
// 11 bits after those zeros. They are a sixth of the coefficients of a busy stream and come at
// random, so the block loop reads both tables and picks without a branch.
constexpr int kDctLongFastBits = 11;

// DCT coefficient codes: codes that start with six zeros are looked up in `longCodes` by the ten
// bits after those zeros, all others in `shortCodes` by the first eight bits; `fast` and
// `longFast` serve every code but the escape first. README.md beside this file describes them
// ("Fast DCT tables").
struct DctLookup {
  DctFastEntry fast[1 << kDctFastBits];
  DctFastEntry longFast[1 << kDctLongFastBits];
  VlcEntry shortCodes[256];
  VlcEntry longCodes[1024];
};

struct MpegVlcTables {
  VlcLookup macroblockAddressIncrement;
  VlcLookup macroblockType[3];  // I, P, B pictures
  VlcLookup codedBlockPattern;
  VlcLookup motionCode;
  VlcLookup dmvector;
  VlcLookup dcSizeLuminance;
  VlcLookup dcSizeChrominance;
  DctLookup dctZero;
  DctLookup dctOne;
  // dctZero's fast table for the first coefficient of a non-intra block, where "1s" is run 0,
  // level 1 instead of end of block and "11s".
  DctFastEntry nonIntraFirst[1 << kDctFastBits];
};

// Built on first use and kept for the process.
const MpegVlcTables& mpegVlcTables();
