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

// DCT coefficient codes: codes that start with six zeros are looked up in `longCodes` by the ten
// bits after those zeros, all others in `shortCodes` by the first eight bits.
struct DctLookup {
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
};

// Built on first use and kept for the process.
const MpegVlcTables& mpegVlcTables();
