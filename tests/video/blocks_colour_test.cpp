// Fixed arithmetic of the decoder: the integer IDCT, the colour conversion and the code tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "video/colour_convert.h"
#include "video/mpeg_decoder.h"
#include "video/mpeg_tables.h"

namespace {

struct ClipTables {
  uint8_t clip[1024];
  int16_t idct[1024];
  ClipTables() { buildClipTables(clip, idct); }
};

TEST(VideoIdct, DcOnlyBlockIsTheRoundedEighthClipped) {
  ClipTables t;
  for (int dc : {-2048, -1000, -9, -4, 0, 3, 4, 12, 100, 1024, 2047}) {
    int16_t block[64] = {};
    block[0] = (int16_t)dc;
    inverseDct(block, t.idct + 512);
    // Row pass: dc << 3; column pass: (8 dc + 32) >> 6, through the IDCT clip table.
    int expect = (dc * 8 + 32) >> 6;
    expect = expect < -256 ? -256 : (expect > 255 ? 255 : expect);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(block[i], expect) << "dc " << dc << " sample " << i;
  }
}

// Every single-coefficient block against the real inverse DCT: IEEE 1180 allows at most one step.
TEST(VideoIdct, SingleCoefficientBlocksAreWithinOneOfTheExactTransform) {
  ClipTables t;
  for (int k = 0; k < 64; ++k) {
    for (int value : {-300, -17, 5, 64, 255}) {
      int16_t block[64] = {};
      block[k] = (int16_t)value;
      inverseDct(block, t.idct + 512);
      int u = k % 8, v = k / 8;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
          double cu = u ? 1.0 : std::sqrt(0.5), cv = v ? 1.0 : std::sqrt(0.5);
          double exact = 0.25 * cu * cv * value * std::cos((2 * x + 1) * u * M_PI / 16) *
                         std::cos((2 * y + 1) * v * M_PI / 16);
          ASSERT_LE(std::fabs(block[y * 8 + x] - exact), 1.0) << "k " << k << " value " << value;
        }
    }
  }
}

// A damaged block may hold 64 saturated coefficients; the transform must neither overflow nor wrap.
TEST(VideoIdct, SaturatedBlocksStayExactAndInRange) {
  ClipTables t;
  for (int pattern = 0; pattern < 4; ++pattern) {
    int16_t block[64];
    for (int i = 0; i < 64; ++i) {
      bool negative = pattern == 0 ? false : pattern == 1 ? (i & 1) : pattern == 2 ? ((i / 8 + i) & 1) : (i % 3 == 0);
      block[i] = negative ? -2048 : 2047;
    }
    int16_t copy[64];
    memcpy(copy, block, sizeof copy);
    inverseDct(block, t.idct + 512);
    double worst = 0;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        ASSERT_GE(block[y * 8 + x], -256);
        ASSERT_LE(block[y * 8 + x], 255);
        double exact = 0;
        for (int v = 0; v < 8; ++v)
          for (int u = 0; u < 8; ++u) {
            double cu = u ? 1.0 : std::sqrt(0.5), cv = v ? 1.0 : std::sqrt(0.5);
            exact += 0.25 * cu * cv * copy[v * 8 + u] * std::cos((2 * x + 1) * u * M_PI / 16) *
                     std::cos((2 * y + 1) * v * M_PI / 16);
          }
        exact = exact < -256 ? -256 : (exact > 255 ? 255 : exact);
        worst = std::max(worst, std::fabs(block[y * 8 + x] - exact));
      }
    EXPECT_LE(worst, 2.0) << "pattern " << pattern;
  }
}

// Random sign patterns of saturated coefficients: the sanitizer build checks that no intermediate
// overflows; here the output range is checked.
TEST(VideoIdct, RandomSaturatedBlocksStayInRange) {
  ClipTables t;
  uint32_t state = 1;
  for (int n = 0; n < 2000; ++n) {
    int16_t block[64];
    for (int i = 0; i < 64; ++i) {
      state = state * 1664525u + 1013904223u;
      block[i] = (state >> 31) ? -2048 : 2047;
    }
    inverseDct(block, t.idct + 512);
    for (int i = 0; i < 64; ++i) ASSERT_TRUE(block[i] >= -256 && block[i] <= 255) << n;
  }
}

TEST(VideoColour, BlackWhiteAndGreyAreExact) {
  for (int code : {0, 1, 2, 4, 5, 7}) {
    EXPECT_EQ(convertPixel(16, 128, 128, code), 0x000000u) << code;
    EXPECT_EQ(convertPixel(235, 128, 128, code), 0xFFFFFFu) << code;
    EXPECT_EQ(convertPixel(126, 128, 128, code), 0x808080u) << code;
  }
}

// Red, blue and a mid colour through each matrix row, worked out by hand from
// R = clip((76309 (Y - 16) + crv (V - 128) + 32768) >> 16) and its G and B counterparts.
TEST(VideoColour, EachMatrixCodeUsesItsRow) {
  // Y 81, Cb 90, Cr 240.
  EXPECT_EQ(convertPixel(81, 90, 240, 5), 0xFE0000u);
  EXPECT_EQ(convertPixel(81, 90, 240, 1), 0xFF1800u);
  EXPECT_EQ(convertPixel(81, 90, 240, 4), 0xFE0000u);
  EXPECT_EQ(convertPixel(81, 90, 240, 7), 0xFF1900u);
  // Y 41, Cb 240, Cr 110.
  EXPECT_EQ(convertPixel(41, 240, 110, 5), 0x0000FFu);
  EXPECT_EQ(convertPixel(41, 240, 110, 1), 0x000FFFu);
  EXPECT_EQ(convertPixel(41, 240, 110, 4), 0x0001FFu);
  EXPECT_EQ(convertPixel(41, 240, 110, 7), 0x000AFFu);
  // Y 120, Cb 90, Cr 180: no channel clips.
  EXPECT_EQ(convertPixel(120, 90, 180, 5), 0xCC5E2Cu);
  EXPECT_EQ(convertPixel(120, 90, 180, 0), 0xD66529u);
  EXPECT_EQ(convertPixel(120, 90, 180, 4), 0xCC5D2Cu);
  EXPECT_EQ(convertPixel(120, 90, 180, 7), 0xD6672Au);
}

// A 16 x 16 4:2:0 picture whose chroma has a step; the up-sampled Cb plane is checked against the
// 6-tap filters worked out by hand.
struct StepPicture {
  MpegDecoder decoder;
  std::vector<uint8_t> planes = std::vector<uint8_t>(16 * 16 + 2 * 8 * 8, 128);
  FrameStore frame;
  std::vector<uint32_t> rgb = std::vector<uint32_t>(16 * 16);
  ColourConverter converter;
  enum Pattern { kRowStep, kColumnStep, kFieldRows };
  // A step from 100 to 200 half way down or across; or top field rows 100, bottom field rows 200.
  StepPicture(bool mpeg2, Pattern pattern, bool progressive = true) {
    decoder.progressiveSequence = progressive;
    decoder.mpeg2 = mpeg2;
    decoder.horizontalSize = decoder.verticalSize = decoder.codedWidth = decoder.codedHeight = 16;
    decoder.chromaWidth = decoder.chromaHeight = 8;
    decoder.chromaFormat = kChroma420;
    frame.plane[0] = planes.data();
    frame.plane[1] = planes.data() + 256;
    frame.plane[2] = planes.data() + 256 + 64;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        frame.plane[1][y * 8 + x] =
            (pattern == kFieldRows ? (y & 1) == 0 : (pattern == kRowStep ? y : x) < 4) ? 100 : 200;
    converter.convert(decoder, ShownPicture{&frame, progressive}, rgb.data(), 16);
  }
  int cb(int x, int y) const { return converter.cb444[y * 16 + x]; }
};

TEST(VideoColour, ProgressiveVerticalUpsamplingOfAStep) {
  StepPicture p(true, StepPicture::kRowStep);
  EXPECT_EQ(p.cb(5, 0), 100);
  EXPECT_EQ(p.cb(5, 6), 90);   // (3 - 16 + 67 + 227) 100 + (-32 + 7) 200 = 23100
  EXPECT_EQ(p.cb(5, 7), 121);  // taps reversed: 31000
  EXPECT_EQ(p.cb(5, 8), 179);  // 45800
  EXPECT_EQ(p.cb(5, 9), 210);  // 53700
  EXPECT_EQ(p.cb(5, 15), 200);
}

TEST(VideoColour, InterlacedVerticalUpsamplingKeepsTheFieldsApart) {
  StepPicture p(true, StepPicture::kFieldRows, false);
  for (int y = 0; y < 16; ++y) EXPECT_EQ(p.cb(3, y), (y & 1) ? 200 : 100) << y;
  // The same rows filtered as one progressive frame mix: 281 x 100 - 32 x 200 + 7 x 100 at the top.
  StepPicture progressive(true, StepPicture::kFieldRows, true);
  EXPECT_EQ(progressive.cb(3, 0), 88);
}

TEST(VideoColour, HorizontalUpsamplingDiffersBetweenMpeg1AndMpeg2) {
  StepPicture mpeg1(false, StepPicture::kColumnStep), mpeg2(true, StepPicture::kColumnStep);
  // MPEG-1 interpolates both output samples: 23000 and 31000 in 256ths.
  EXPECT_EQ(mpeg1.cb(6, 3), 90);
  EXPECT_EQ(mpeg1.cb(7, 3), 121);
  // MPEG-2 keeps the co-sited sample and interpolates the one between: 128 x 300.
  EXPECT_EQ(mpeg2.cb(6, 3), 100);
  EXPECT_EQ(mpeg2.cb(7, 3), 150);
  EXPECT_EQ(mpeg2.cb(8, 3), 200);
}

TEST(VideoColour, CodesBeyondTheTableUseTheRowOfCode5) {
  for (int code : {3, 6, 8, 100, 255}) {
    for (int cb : {16, 90, 200})
      EXPECT_EQ(convertPixel(120, cb, 180, code), convertPixel(120, cb, 180, 5)) << code;
  }
  EXPECT_NE(convertPixel(120, 90, 180, 1), convertPixel(120, 90, 180, 5));
}

// ---- code tables ----

struct CodeList {
  const char* name;
  const VlcCode* codes;
  double kraft;  // sum of 2^-length: 1 for a complete code
};

double kraftSum(const VlcCode* codes, std::set<std::string>& seen, std::string& clash) {
  double sum = 0;
  for (const VlcCode* c = codes; c->bits; ++c) {
    std::string s;
    for (const char* p = c->bits; *p; ++p)
      if (*p != ' ') s += *p;
    for (const std::string& other : seen)
      if (other.compare(0, s.size(), s) == 0 || s.compare(0, other.size(), other) == 0) clash = s + " / " + other;
    seen.insert(s);
    sum += std::ldexp(1.0, -(int)s.size());
  }
  return sum;
}

TEST(VideoTables, CodeListsArePrefixFreeWithTheExpectedCoverage) {
  // The sign bit after a code halves nothing here: it is read separately. Coverage below 1 is the
  // standard's own unused patterns (forbidden or reserved codes).
  const CodeList lists[] = {
      // Unused: 0000 0000 xxx, 0000 0010 xxx and six of the eight 0000 0001 xxx.
      {"B.1", kMacroblockAddressIncrement, 1.0 - 22.0 / 2048},
      {"B.2", kMacroblockTypeI, 0.75},
      {"B.3", kMacroblockTypeP, 1.0 - 1.0 / 64},
      {"B.4", kMacroblockTypeB, 1.0 - 1.0 / 64},
      {"B.9", kCodedBlockPattern, 1.0 - 1.0 / 512},
      // Unused: 0000 0000, 0000 0001 and 0000 0010.
      {"B.10", kMotionCode, 1.0 - 3.0 / 256},
      {"B.11", kDmvector, 1.0},
      {"B.12", kDctDcSizeLuminance, 1.0},
      {"B.13", kDctDcSizeChrominance, 1.0},
  };
  for (const CodeList& l : lists) {
    std::set<std::string> seen;
    std::string clash;
    double sum = kraftSum(l.codes, seen, clash);
    EXPECT_EQ(clash, "") << l.name;
    EXPECT_NEAR(sum, l.kraft, 1e-9) << l.name;
  }
}

TEST(VideoTables, DctTablesArePrefixFreeAndShareTheLongCodes) {
  std::set<std::string> zero, one;
  std::string clash;
  double sumZero = kraftSum(kDctCoefficientsZero, zero, clash);
  EXPECT_EQ(clash, "");
  double sumOne = kraftSum(kDctCoefficientsOne, one, clash);
  EXPECT_EQ(clash, "");
  // Each table has 111 run/level codes plus end of block and escape; only the 16-bit codes that
  // start with twelve zeros are unused. (Each code also carries a sign bit, not counted here.)
  int count = 0;
  for (const VlcCode* c = kDctCoefficientsZero; c->bits; ++c) ++count;
  EXPECT_EQ(count, 113);
  count = 0;
  for (const VlcCode* c = kDctCoefficientsOne; c->bits; ++c) ++count;
  EXPECT_EQ(count, 113);
  EXPECT_NEAR(sumZero, 1.0 - 1.0 / 4096, 1e-9);
  // Table one moves six 12-bit and four 13-bit codes of table zero to short codes and leaves
  // their old patterns unused.
  EXPECT_NEAR(sumOne, 1.0 - 1.0 / 4096 - 6.0 / 4096 - 4.0 / 8192, 1e-9);
}

// The one-read tables of the block loops, entry by entry, against the printed codes. The short
// table is indexed by the first ten bits, the long one by the eleven after six zeros. A code and
// its sign that fit the index give run + 1, the signed level and the length with the sign; end of
// block its own length; everything else (the escape, codes the index cannot hold, bits that match
// no code) the marker for the two-table path.
void expectFastEntriesMatch(const char* name, const VlcCode* codes, const DctFastEntry* fast, int indexBits,
                            const std::string& prefix, bool firstOfNonIntra) {
  for (int index = 0; index < 1 << indexBits; ++index) {
    std::string bits = prefix;
    for (int b = indexBits - 1; b >= 0; --b) bits += (index >> b) & 1 ? '1' : '0';
    DctFastEntry want{0, kDctFastOther, 0};
    if (firstOfNonIntra && bits[0] == '1') {
      want = DctFastEntry{(int16_t)(bits[1] == '1' ? -1 : 1), 1, 2};
    } else {
      for (const VlcCode* c = codes; c->bits; ++c) {
        std::string code;
        for (const char* p = c->bits; *p; ++p)
          if (*p != ' ') code += *p;
        if (bits.compare(0, code.size(), code) != 0) continue;
        int length = (int)code.size();
        if (c->value == kDctEndOfBlock)
          want = DctFastEntry{0, kDctFastEndOfBlock, (uint8_t)length};
        else if (c->value > 0 && length < (int)bits.size())
          want = DctFastEntry{(int16_t)(bits[length] == '1' ? -c->value : c->value), (uint8_t)(c->run + 1),
                              (uint8_t)(length + 1)};
      }
    }
    const DctFastEntry& got = fast[index];
    ASSERT_TRUE(got.advance == want.advance && got.length == want.length && got.level() == want.level() && got.magnitude <= 40)
        << name << " index " << bits << ": advance " << (int)got.advance << " length " << (int)got.length
        << " level " << got.level();
  }
}

TEST(VideoTables, FastDctEntriesFollowTheCodeLists) {
  const MpegVlcTables& vlc = mpegVlcTables();
  expectFastEntriesMatch("B.14", kDctCoefficientsZero, vlc.dctZero.fast, kDctFastBits, "", false);
  expectFastEntriesMatch("B.15", kDctCoefficientsOne, vlc.dctOne.fast, kDctFastBits, "", false);
  expectFastEntriesMatch("B.14 first", kDctCoefficientsZero, vlc.nonIntraFirst, kDctFastBits, "", true);
  expectFastEntriesMatch("B.14 long", kDctCoefficientsZero, vlc.dctZero.longFast, kDctLongFastBits, "000000", false);
  expectFastEntriesMatch("B.15 long", kDctCoefficientsOne, vlc.dctOne.longFast, kDctLongFastBits, "000000", false);
}

TEST(VideoTables, ScansArePermutationsThatStartAtDc) {
  std::set<int> zigzag(kZigzagScan, kZigzagScan + 64), alternate(kAlternateScan, kAlternateScan + 64);
  EXPECT_EQ(zigzag.size(), 64u);
  EXPECT_EQ(alternate.size(), 64u);
  EXPECT_EQ(kZigzagScan[63], 63);
  EXPECT_EQ(kAlternateScan[1], 8);  // the alternate scan runs down the first column first
}

}  // namespace
