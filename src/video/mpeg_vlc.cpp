// Expands the printed code lists into direct lookup tables.
#include "video/mpeg_vlc.h"

#include <cstring>

namespace {

// Code text without spaces: its length and its bits as a number.
void parseCode(const char* text, int& length, uint32_t& bits) {
  length = 0;
  bits = 0;
  for (const char* p = text; *p; ++p) {
    if (*p == ' ') continue;
    bits = (bits << 1) | (uint32_t)(*p == '1');
    ++length;
  }
}

VlcLookup buildLookup(const VlcCode* codes) {
  int maxLength = 0;
  for (const VlcCode* c = codes; c->bits; ++c) {
    int length;
    uint32_t bits;
    parseCode(c->bits, length, bits);
    if (length > maxLength) maxLength = length;
  }
  VlcLookup lookup;
  lookup.bits = maxLength;
  lookup.entries = new VlcEntry[(size_t)1 << maxLength];
  memset(lookup.entries, 0, sizeof(VlcEntry) << maxLength);
  for (const VlcCode* c = codes; c->bits; ++c) {
    int length;
    uint32_t bits;
    parseCode(c->bits, length, bits);
    int spare = maxLength - length;
    for (uint32_t tail = 0; tail < (1u << spare); ++tail)
      lookup.entries[(bits << spare) | tail] = VlcEntry{c->value, (uint8_t)length, (uint8_t)c->run};
  }
  return lookup;
}

// A coefficient code with each sign into a fast table indexed by the first `indexed` bits of the
// stream, of which the table keeps the low `kept`.
void putSigned(DctFastEntry* table, int indexed, int kept, const VlcCode& c, uint32_t bits, int length) {
  int spare = indexed - length - 1;
  for (uint32_t sign = 0; sign < 2; ++sign) {
    int16_t level = sign ? (int16_t)-c.value : c.value;
    for (uint32_t tail = 0; tail < (1u << spare); ++tail)
      table[((((bits << 1) | sign) << spare) | tail) & ((1u << kept) - 1)] =
          DctFastEntry{level, (uint8_t)(c.run + 1), (uint8_t)(length + 1)};
  }
}

void buildDctLookup(const VlcCode* codes, DctLookup& lookup) {
  memset(&lookup, 0, sizeof lookup);
  for (DctFastEntry& e : lookup.fast) e = DctFastEntry{0, kDctFastOther, 0};
  for (DctFastEntry& e : lookup.longFast) e = DctFastEntry{0, kDctFastOther, 0};
  for (const VlcCode* c = codes; c->bits; ++c) {
    int length;
    uint32_t bits;
    parseCode(c->bits, length, bits);
    bool long_ = length > 6 && (bits >> (length - 6)) == 0;
    if (c->value == kDctEndOfBlock) {
      int spare = kDctFastBits - length;
      for (uint32_t tail = 0; tail < (1u << spare); ++tail)
        lookup.fast[(bits << spare) | tail] = DctFastEntry{0, kDctFastEndOfBlock, (uint8_t)length};
    } else if (c->value > 0) {
      // A code that starts with six zeros is read from the long table even where it would fit
      // the short one (a 9-bit code of table one does).
      if (length + 1 <= kDctFastBits) putSigned(lookup.fast, kDctFastBits, kDctFastBits, *c, bits, length);
      if (long_) putSigned(lookup.longFast, 6 + kDctLongFastBits, kDctLongFastBits, *c, bits, length);
    }
    VlcEntry entry{c->value, (uint8_t)length, (uint8_t)c->run};
    if (long_) {
      int spare = 16 - length;
      for (uint32_t tail = 0; tail < (1u << spare); ++tail) lookup.longCodes[((bits << spare) | tail) & 1023] = entry;
    } else {
      int spare = 8 - length;
      for (uint32_t tail = 0; tail < (1u << spare); ++tail) lookup.shortCodes[(bits << spare) | tail] = entry;
    }
  }
}

MpegVlcTables* buildAll() {
  MpegVlcTables* t = new MpegVlcTables;
  t->macroblockAddressIncrement = buildLookup(kMacroblockAddressIncrement);
  t->macroblockType[0] = buildLookup(kMacroblockTypeI);
  t->macroblockType[1] = buildLookup(kMacroblockTypeP);
  t->macroblockType[2] = buildLookup(kMacroblockTypeB);
  t->codedBlockPattern = buildLookup(kCodedBlockPattern);
  t->motionCode = buildLookup(kMotionCode);
  t->dmvector = buildLookup(kDmvector);
  t->dcSizeLuminance = buildLookup(kDctDcSizeLuminance);
  t->dcSizeChrominance = buildLookup(kDctDcSizeChrominance);
  buildDctLookup(kDctCoefficientsZero, t->dctZero);
  buildDctLookup(kDctCoefficientsOne, t->dctOne);
  constexpr int half = 1 << (kDctFastBits - 1), quarter = half / 2;
  for (int i = 0; i < 2 * half; ++i)
    t->nonIntraFirst[i] = i < half ? t->dctZero.fast[i] : DctFastEntry{(int16_t)(i < half + quarter ? 1 : -1), 1, 2};
  return t;
}

}  // namespace

const MpegVlcTables& mpegVlcTables() {
  static const MpegVlcTables* tables = buildAll();
  return *tables;
}
