// A plain reader of a block's DCT coefficients, written from the standard and nothing of the
// decoder's fast path: each code is found by trying the rows of Table B.14 or B.15 as printed
// (mpeg_tables.cpp) against the next bits, the escapes and the first-coefficient rule are spelled
// out. compareCoefficientReaders runs it beside the decoder's fast reader over the same bits, block
// after block; the unit test and the fuzz target fuzz_coefficients share it.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "video/mpeg_coefficients.h"
#include "video/mpeg_tables.h"

// Bits of a byte string, most significant first. Bits past the end read as zero.
struct PlainBits {
  const std::vector<uint8_t>& bytes;
  size_t position = 0;  // in bits

  uint32_t peek(int n) const {
    uint32_t v = 0;
    for (int k = 0; k < n; ++k) {
      size_t at = position + (size_t)k;
      int bit = at / 8 < bytes.size() ? (bytes[at / 8] >> (7 - at % 8)) & 1 : 0;
      v = (v << 1) | (uint32_t)bit;
    }
    return v;
  }
  uint32_t read(int n) {
    uint32_t v = peek(n);
    position += (size_t)n;
    return v;
  }
};

// One row of a coefficient table: the code (without its sign bit) and what it stands for.
struct PlainRow {
  uint32_t code;
  int length;
  int level;  // kDctEndOfBlock, kDctEscape or the level's magnitude
  int run;
};

inline std::vector<PlainRow> plainRows(const VlcCode* table) {
  std::vector<PlainRow> rows;
  for (const VlcCode* c = table; c->bits; ++c) {
    PlainRow row{0, 0, c->value, c->run};
    for (const char* p = c->bits; *p; ++p) {
      if (*p == ' ') continue;
      row.code = (row.code << 1) | (uint32_t)(*p == '1');
      ++row.length;
    }
    rows.push_back(row);
  }
  return rows;
}

// Table B.15 (`tableOne`) or B.14.
inline const std::vector<PlainRow>& plainTable(bool tableOne) {
  static const std::vector<PlainRow> zero = plainRows(kDctCoefficientsZero), one = plainRows(kDctCoefficientsOne);
  return tableOne ? one : zero;
}

struct PlainCoefficient {
  int run;
  int level;     // signed
  int position;  // in scan order
  bool operator==(const PlainCoefficient&) const = default;
};

// What the plain reader saw of one block, for the statistics of a comparison.
struct PlainCodes {
  int escapes = 0;
  int longCodes = 0;  // codes that start with six zeros
};

// One block's coefficients after the DC (`intra`) or from its start, up to and including the code
// that ends it. Bits that match no code are left unread; an escape with a forbidden level and a
// coefficient past the block are read whole.
inline BlockEnd readPlainBlock(PlainBits& bits, bool mpeg2, bool intra, bool tableOne,
                               std::vector<PlainCoefficient>& out, PlainCodes& seen) {
  int position = intra ? 0 : -1;
  for (bool first = true;; first = false) {
    int run, level;
    if (first && !intra && bits.peek(1) == 1) {
      // The first code of a non-intra block: "1s" is run 0, level 1 (Table B.14, note 2).
      bits.read(1);
      run = 0;
      level = bits.read(1) ? -1 : 1;
    } else {
      // The tables are prefix-free: at most one row matches. No code is longer than 16 bits.
      const PlainRow* row = nullptr;
      uint32_t next16 = bits.peek(16);
      for (const PlainRow& r : plainTable(tableOne))
        if (next16 >> (16 - r.length) == r.code) row = &r;
      if (!row) return BlockEnd::InvalidCode;
      bits.read(row->length);
      seen.longCodes += row->length > 6 && (row->code >> (row->length - 6)) == 0;
      if (row->level == kDctEndOfBlock) return BlockEnd::EndOfBlock;
      if (row->level == kDctEscape) {
        ++seen.escapes;
        run = (int)bits.read(6);
        if (mpeg2) {
          // Twelve bits, two's complement; all zeros and 1000 0000 0000 are forbidden.
          int code = (int)bits.read(12);
          if (code == 0 || code == 2048) return BlockEnd::InvalidEscape;
          level = code >= 2048 ? code - 4096 : code;
        } else {
          // Eight bits, two's complement; 0000 0000 and 1000 0000 announce eight more bits that
          // give levels 128 to 255 and -256 to -129.
          int code = (int)bits.read(8);
          if (code == 0)
            level = (int)bits.read(8);
          else if (code == 128)
            level = (int)bits.read(8) - 256;
          else
            level = code >= 128 ? code - 256 : code;
        }
      } else {
        run = row->run;
        level = bits.read(1) ? -row->level : row->level;
      }
    }
    position += run + 1;
    if (position > 63) return BlockEnd::OutOfBounds;
    out.push_back(PlainCoefficient{run, level, position});
  }
}

// Which blocks a comparison reads, and how the bits reach the fast reader.
struct CoefficientRun {
  bool mpeg2 = false;    // the escape's format
  bool intra = false;
  bool tableOne = false; // intra blocks of an MPEG-2 picture with intra_vlc_format 1
  int packetBytes = 0;   // > 0: the bits come in a system stream, in video packets of this many bytes
};

// What a comparison went through: blocks by their end, and the codes the paths off the fast table
// took.
struct CoefficientCounts {
  int blocks[4] = {};  // by BlockEnd
  int coefficients = 0;
  PlainCodes codes;
};

// Bits the input has served: of the clip for an elementary stream, of the video payload for a
// system stream whose video packets end where `payloadEnds` says.
inline int64_t bitsServed(const MpegInput& in, const std::vector<int64_t>& payloadEnds) {
  int64_t bytes = in.systemStream ? payloadEnds[(size_t)in.packetsRead - 1] - in.payloadLeft
                                  : (int64_t)in.memoryPos - in.bufferReal + in.bufferPos;
  return bytes * 8 - in.bitCount;
}

inline std::string describe(BlockEnd end) {
  const char* names[] = {"end of block", "invalid code", "invalid escape", "out of bounds"};
  return names[(int)end];
}

inline std::string describe(const std::vector<PlainCoefficient>& list) {
  std::string text;
  for (const PlainCoefficient& c : list)
    text += " (" + std::to_string(c.run) + "," + std::to_string(c.level) + ")@" + std::to_string(c.position);
  return text.empty() ? " none" : text;
}

// Reads `video` block after block with the decoder's fast reader (through an MpegInput, as the
// decoder does) and with the plain reader, until the plain reader has passed its last bit. Before
// each block both take a gap the bits themselves give (four bits n, then n bits), as the decoder
// reads its own syntax between blocks; a block that ends on a fault is followed by the next gap.
// The clip is followed by sequence end codes, as a cut clip is, so that a block may run over its
// end. Returns "" when the two agree on every coefficient, every block's end and the bit position
// after every block; else what differed first.
inline std::string compareCoefficientReaders(const std::vector<uint8_t>& video, const CoefficientRun& run,
                                             CoefficientCounts* counts = nullptr) {
  std::vector<uint8_t> served = video;
  // More than the longest block: 65 codes of at most 28 bits.
  for (int k = 0; k < 256; ++k) served.insert(served.end(), {0x00, 0x00, 0x01, 0xB7});

  std::vector<uint8_t> clip;
  std::vector<int64_t> payloadEnds;
  if (run.packetBytes > 0) {
    clip = {0x00, 0x00, 0x01, 0xBA, 0x21, 0x00, 0x01, 0x00, 0x01, 0x80, 0x00, 0x01};
    for (size_t at = 0; at < served.size(); at += (size_t)run.packetBytes) {
      size_t payload = std::min(served.size() - at, (size_t)run.packetBytes);
      size_t length = payload + 1;
      clip.insert(clip.end(), {0x00, 0x00, 0x01, 0xE0, (uint8_t)(length >> 8), (uint8_t)length, 0x0F});
      clip.insert(clip.end(), served.begin() + (ptrdiff_t)at, served.begin() + (ptrdiff_t)(at + payload));
      payloadEnds.push_back((int64_t)(at + payload));
      // Now and then a packet of another stream, which the system layer skips.
      if (payloadEnds.size() % 3 == 0) clip.insert(clip.end(), {0x00, 0x00, 0x01, 0xC0, 0x00, 0x02, 0x0F, 0x55});
    }
  } else {
    clip = served;
  }

  MpegInput input;
  input.quiet = true;
  input.openMemory(clip.data(), clip.size());
  input.rewind(run.packetBytes > 0);
  PlainBits plain{served};
  const DctCodes codes = dctCodesFor(mpegVlcTables(), run.intra, run.tableOne);
  CoefficientCounts local;
  CoefficientCounts& count = counts ? *counts : local;

  for (int block = 0; plain.position < video.size() * 8; ++block) {
    uint32_t gap = plain.read(4);
    if (input.getBits(4) != gap) return "block " + std::to_string(block) + ": the gap's length differs";
    if (gap && input.getBits((int)gap) != plain.read((int)gap))
      return "block " + std::to_string(block) + ": the gap's bits differ";
    size_t start = plain.position;

    std::vector<PlainCoefficient> fast, expected;
    int last = run.intra ? 0 : -1;
    auto record = [&](int position, int magnitude, int sign) {
      fast.push_back(PlainCoefficient{position - last - 1, sign ? -magnitude : magnitude, position});
      last = position;
    };
    BlockEnd fastEnd = run.mpeg2 ? readDctCoefficients<true>(input, codes, run.intra ? 0 : -1, record)
                                 : readDctCoefficients<false>(input, codes, run.intra ? 0 : -1, record);
    // Table B.15 serves intra blocks only.
    BlockEnd plainEnd = readPlainBlock(plain, run.mpeg2, run.intra, run.intra && run.tableOne, expected, count.codes);
    ++count.blocks[(int)plainEnd];
    count.coefficients += (int)expected.size();

    int64_t fastPosition = bitsServed(input, payloadEnds);
    if (fast != expected || fastEnd != plainEnd || fastPosition != (int64_t)plain.position)
      return "block " + std::to_string(block) + " from bit " + std::to_string(start) + "\n  fast: " +
             describe(fastEnd) + " at bit " + std::to_string(fastPosition) + "," + describe(fast) +
             "\n  plain: " + describe(plainEnd) + " at bit " + std::to_string(plain.position) + "," +
             describe(expected);
  }
  return "";
}
