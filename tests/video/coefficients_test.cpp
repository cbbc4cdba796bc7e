// The decoder's fast coefficient reader against the plain reader of plain_coefficients.h, for every
// block kind, from a clip in memory and from a system stream's packets: over random bits, and over
// blocks written code by code with every kind of escape, long code and fault.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "plain_coefficients.h"
#include "video_test_util.h"

namespace {

// The four block kinds of the decoder, intra ones of MPEG-2 with either table.
const CoefficientRun kBlockKinds[] = {
    {false, true, false, 0},  // MPEG-1 intra
    {false, false, false, 0}, // MPEG-1 non-intra
    {true, true, false, 0},   // MPEG-2 intra, Table B.14
    {true, true, true, 0},    // MPEG-2 intra, Table B.15
    {true, false, false, 0},  // MPEG-2 non-intra
};

std::string kindName(const CoefficientRun& run) {
  return std::string(run.mpeg2 ? "MPEG-2 " : "MPEG-1 ") + (run.intra ? "intra" : "non-intra") +
         (run.tableOne ? " B.15" : "") +
         (run.packetBytes ? " in packets of " + std::to_string(run.packetBytes) + " bytes" : "");
}

// The same kind read from memory and from packets: single bytes, a few bytes, longer than a block.
std::vector<CoefficientRun> everyKindAndTransport() {
  std::vector<CoefficientRun> runs;
  for (const CoefficientRun& kind : kBlockKinds)
    for (int packetBytes : {0, 1, 7, 300}) {
      runs.push_back(kind);
      runs.back().packetBytes = packetBytes;
    }
  return runs;
}

// An escape's run and level, a forbidden level now and then, and the MPEG-1 forms the standard
// does not use (a long form for a short level, a long zero).
void writeEscape(BitWriter& w, std::mt19937& rng, bool mpeg2) {
  w.putCode("0000 01");
  w.put(rng() % 64, 6);
  uint32_t choice = rng() % 16;
  if (mpeg2) {
    static const uint32_t extremes[] = {0, 2048, 1, 4095, 2047, 2049};
    w.put(choice < 3 ? extremes[rng() % 6] : rng() % 4096, 12);
  } else if (choice < 4) {
    w.put(0, 8);  // 0 then a level of 0 to 255
    w.put(rng() % 256, 8);
  } else if (choice < 8) {
    w.put(128, 8);  // 128 then a level of -256 to -1
    w.put(rng() % 256, 8);
  } else {
    w.put(rng() % 256, 8);
  }
}

// Blocks written from the rows of the kind's table, each after a gap as compareCoefficientReaders
// reads it: mostly table codes, some escapes, now and then bits that match no code, runs long
// enough to leave the block, the non-intra first code "1s".
std::vector<uint8_t> writtenBlocks(std::mt19937& rng, const CoefficientRun& run, int blocks) {
  bool tableOne = run.intra && run.tableOne;
  const std::vector<PlainRow>& rows = plainTable(tableOne);
  std::vector<const PlainRow*> codes;
  for (const PlainRow& row : rows)
    if (row.level > 0) codes.push_back(&row);
  BitWriter w;
  for (int b = 0; b < blocks; ++b) {
    uint32_t gap = rng() % 16;
    w.put(gap, 4);
    w.put(rng() & ((1u << gap) - 1), (int)gap);
    int count = rng() % 4 == 0 ? 20 + (int)(rng() % 50) : (int)(rng() % 12);
    for (int k = 0; k < count; ++k) {
      uint32_t choice = rng() % 100;
      if (k == 0 && !run.intra && choice < 30) {
        w.put(2 | (rng() & 1), 2);  // "1s"
      } else if (choice < 80) {
        const PlainRow& row = *codes[rng() % codes.size()];
        w.put(row.code, row.length);
        w.put(rng() & 1, 1);
      } else if (choice < 98) {
        writeEscape(w, rng, run.mpeg2);
      } else {
        w.putCode("0000 0000 0000");  // twelve zeros start no code of either table
        w.put(rng() % 16, 4);
      }
    }
    w.putCode(tableOne ? "0110" : "10");
  }
  return w.bytes;
}

std::vector<uint8_t> randomBytes(std::mt19937& rng, size_t count) {
  std::vector<uint8_t> bytes(count);
  for (uint8_t& b : bytes) b = (uint8_t)rng();
  return bytes;
}

TEST(VideoCoefficients, FastReaderAgreesWithThePlainReaderOnWrittenBlocks) {
  std::mt19937 rng(7);
  for (const CoefficientRun& run : everyKindAndTransport()) {
    CoefficientCounts counts;
    ASSERT_EQ(compareCoefficientReaders(writtenBlocks(rng, run, 3000), run, &counts), "") << kindName(run);
    // Every way a block ends, and every path off the fast tables, was taken.
    EXPECT_GT(counts.blocks[(int)BlockEnd::EndOfBlock], 1000) << kindName(run);
    EXPECT_GT(counts.blocks[(int)BlockEnd::InvalidCode], 10) << kindName(run);
    EXPECT_GT(counts.blocks[(int)BlockEnd::OutOfBounds], 10) << kindName(run);
    if (run.mpeg2) {
      EXPECT_GT(counts.blocks[(int)BlockEnd::InvalidEscape], 10) << kindName(run);
    }
    EXPECT_GT(counts.codes.escapes, 1000) << kindName(run);
    EXPECT_GT(counts.codes.longCodes, 1000) << kindName(run);
  }
}

// Bits with no plan behind them: mostly short blocks, and the rare patterns that no written block
// has (bits that match no code in the middle of a long code, escapes cut by the gap of the next).
TEST(VideoCoefficients, FastReaderAgreesWithThePlainReaderOnRandomBits) {
  std::mt19937 rng(11);
  for (const CoefficientRun& run : everyKindAndTransport()) {
    CoefficientCounts counts;
    ASSERT_EQ(compareCoefficientReaders(randomBytes(rng, 20000), run, &counts), "") << kindName(run);
    EXPECT_GT(counts.coefficients, 10000) << kindName(run);
    EXPECT_GT(counts.codes.escapes, 100) << kindName(run);
  }
}

}  // namespace
