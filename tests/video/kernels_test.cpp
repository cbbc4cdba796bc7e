// The SIMD kernel sets against the portable one: every sample of every test stream, and the single
// kernels on blocks no valid stream produces (saturated coefficients, every half-sample case).
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "video/clip_reader.h"
#include "video/colour_kernels.h"
#include "video/mpeg_decoder.h"
#include "video/mpeg_kernels.h"
#include "video_test_util.h"

namespace {

std::vector<const MpegKernels*> fastSets() {
  std::vector<const MpegKernels*> sets;
  for (MpegKernelSet set : {MpegKernelSet::Sse2, MpegKernelSet::Avx2})
    if (const MpegKernels* k = mpegKernels(set)) sets.push_back(k);
  return sets;
}

// Every plane of every picture in display order, decoded with one kernel set.
std::vector<uint8_t> decodeWith(const std::string& path, const MpegKernels* kernels) {
  MpegDecoder decoder;
  decoder.quiet = true;
  decoder.kernels = kernels;
  std::vector<uint8_t> samples;
  decoder.openStream(path.c_str());
  decodeAllPictures(decoder, [&](const ShownPicture& shown) {
    const FrameStore& f = *shown.frame;
    size_t luma = (size_t)decoder.codedWidth * decoder.codedHeight;
    size_t chroma = (size_t)decoder.chromaWidth * decoder.chromaHeight;
    samples.insert(samples.end(), f.plane[0], f.plane[0] + luma);
    samples.insert(samples.end(), f.plane[1], f.plane[1] + chroma);
    samples.insert(samples.end(), f.plane[2], f.plane[2] + chroma);
  });
  return samples;
}

TEST(VideoKernels, BestSetIsOneOfTheSets) {
  const MpegKernels& best = bestMpegKernels();
  bool known = &best == mpegKernels(MpegKernelSet::Portable);
  for (const MpegKernels* k : fastSets()) known |= &best == k;
  EXPECT_TRUE(known) << best.name;
}

TEST(VideoKernels, EveryStreamDecodesToTheSameSamplesWithEverySet) {
  std::vector<const MpegKernels*> sets = fastSets();
  if (sets.empty()) GTEST_SKIP() << "only the portable kernels in this build";
  int streams = 0;
  for (const auto& entry : std::filesystem::directory_iterator(videoFixture(""))) {
    std::string ext = entry.path().extension().string();
    if (ext != ".m1v" && ext != ".m2v" && ext != ".mpg") continue;
    std::string path = entry.path().string();
    std::vector<uint8_t> portable = decodeWith(path, mpegKernels(MpegKernelSet::Portable));
    ASSERT_FALSE(portable.empty()) << path;
    for (const MpegKernels* k : sets) EXPECT_TRUE(decodeWith(path, k) == portable) << path << " with " << k->name;
    ++streams;
  }
  EXPECT_GE(streams, 40);
}

// Random blocks, by kind: sparse ones like a stream's, dense ones, saturated extremes a damaged
// stream can bring, where the portable version needs its 64-bit products, DC only, blocks with
// only the top-left 4 x 4 coefficients, which the AVX2 set transforms with a shorter path, and a
// few large coefficients anywhere, whose row results fall on both sides of 16 bits, where the SSE2
// set switches from paired 16-bit multiplications to 32-bit ones for the column pass.
constexpr int kBlockKinds = 6;
void randomBlock(int kind, std::mt19937& random, int16_t* block) {
  int few = kind == 5 ? 1 + (int)(random() % 5) : 0;
  for (int i = 0; i < 64; ++i) {
    block[i] = 0;
    if (kind == 0 && random() % 8 == 0) block[i] = (int16_t)((int)(random() % 129) - 64);
    if (kind == 1) block[i] = (int16_t)((int)(random() % 4096) - 2048);
    if (kind == 2) block[i] = random() & 1 ? 2047 : -2048;
    if (kind == 3 && i == 0) block[i] = (int16_t)((int)(random() % 4096) - 2048);
    if (kind == 4 && i % 8 < 4 && i < 32) block[i] = (int16_t)((int)(random() % 4096) - 2048);
  }
  for (int n = 0; n < few; ++n) block[random() % 64] = (int16_t)((int)(random() % 4096) - 2048);
}

TEST(VideoKernels, InverseDctMatchesPortableOnAnyCoefficients) {
  const MpegKernels* portable = mpegKernels(MpegKernelSet::Portable);
  std::mt19937 random(17);
  for (const MpegKernels* k : fastSets()) {
    for (int trial = 0; trial < 20000; ++trial) {
      int16_t a[64], b[64];
      randomBlock(trial % kBlockKinds, random, a);
      memcpy(b, a, sizeof a);
      portable->inverseDct(a);
      k->inverseDct(b);
      ASSERT_EQ(memcmp(a, b, sizeof a), 0) << k->name << " trial " << trial;
    }
  }
}

// The one-pass kernels against the portable two steps, on the same mix of blocks; the block is
// left all zero, as the next macroblock expects it.
TEST(VideoKernels, InverseDctWithPutOrAddMatchesTheTwoStepsAndClearsTheBlock) {
  const MpegKernels* portable = mpegKernels(MpegKernelSet::Portable);
  std::vector<const MpegKernels*> sets = fastSets();
  sets.push_back(portable);
  std::mt19937 random(23);
  const int16_t zero[64] = {};
  for (const MpegKernels* k : sets) {
    for (int trial = 0; trial < 4000; ++trial) {
      int16_t coefficients[64];
      randomBlock(trial % kBlockKinds, random, coefficients);
      bool intra = trial & 1;
      uint8_t expected[8 * 12], actual[8 * 12];
      for (uint8_t& s : expected) s = (uint8_t)random();
      memcpy(actual, expected, sizeof expected);
      int16_t reference[64], block[64];
      memcpy(reference, coefficients, sizeof reference);
      memcpy(block, coefficients, sizeof block);
      portable->inverseDct(reference);
      (intra ? portable->putIntra : portable->addInter)(reference, expected, 12);
      (intra ? k->idctPut : k->idctAdd)(block, actual, 12);
      ASSERT_EQ(memcmp(expected, actual, sizeof expected), 0) << k->name << " trial " << trial;
      ASSERT_EQ(memcmp(block, zero, sizeof block), 0) << k->name << " trial " << trial;
    }
  }
}

TEST(VideoKernels, BlockAdditionAndPredictionMatchPortable) {
  const MpegKernels* portable = mpegKernels(MpegKernelSet::Portable);
  std::mt19937 random(5);
  std::vector<uint8_t> src(40 * 40);
  for (uint8_t& s : src) s = (uint8_t)random();
  for (const MpegKernels* k : fastSets()) {
    int16_t block[64];
    for (int trial = 0; trial < 200; ++trial) {
      for (int16_t& c : block) c = (int16_t)((int)(random() % 512) - 256);
      uint8_t a[8 * 12], b[8 * 12];
      for (uint8_t& s : a) s = (uint8_t)random();
      memcpy(b, a, sizeof a);
      portable->putIntra(block, a, 12);
      k->putIntra(block, b, 12);
      ASSERT_EQ(memcmp(a, b, sizeof a), 0) << k->name;
      portable->addInter(block, a, 12);
      k->addInter(block, b, 12);
      ASSERT_EQ(memcmp(a, b, sizeof a), 0) << k->name;
    }
    for (int w : {8, 16})
      for (int h : {4, 8, 16})
        for (int mode = 0; mode < 8 * 20; ++mode) {
          bool hx = mode & 1, hy = mode & 2, average = mode & 4;
          uint8_t a[16 * 20], b[16 * 20];
          for (uint8_t& s : a) s = (uint8_t)random();
          for (uint8_t& s : src) s = mode % 16 < 8 ? (uint8_t)random() : (uint8_t)(random() % 2 ? 0 : 255);
          memcpy(b, a, sizeof a);
          portable->predict[w == 16][average][hx][hy](src.data() + 41, 40, a, 20, h);
          k->predict[w == 16][average][hx][hy](src.data() + 41, 40, b, 20, h);
          ASSERT_EQ(memcmp(a, b, sizeof a), 0) << k->name << " " << w << "x" << h << " mode " << mode;
        }
  }
}

// The colour conversion's wide set against the portable loops: every filter and the matrix, on
// sizes around the vector widths and the filters' clamped ends, with random and saturated samples.
TEST(VideoKernels, ColourConversionMatchesPortable) {
  const ColourKernels* portable = colourKernels(MpegKernelSet::Portable);
  const ColourKernels* wide = colourKernels(MpegKernelSet::Avx2);
  ASSERT_NE(portable, nullptr);
  if (!wide) GTEST_SKIP() << "no AVX2 colour conversion in this build or on this processor";
  std::mt19937 random(11);
  for (int w : {1, 2, 3, 4, 5, 7, 8, 15, 16, 17, 31, 33, 63, 160, 161})
    for (int h : {2, 4, 6, 8, 14, 16, 30}) {
      for (int fill = 0; fill < 3; ++fill) {
        std::vector<uint8_t> src((size_t)w * h), y((size_t)4 * w * h), cb((size_t)4 * w * h), cr((size_t)4 * w * h);
        auto sample = [&]() {
          return fill == 0 ? (uint8_t)random() : fill == 1 ? (uint8_t)(random() % 2 ? 0 : 255) : (uint8_t)(random() % 3 + 126);
        };
        for (uint8_t& s : src) s = sample();
        std::vector<uint8_t> a((size_t)2 * w * h), b((size_t)2 * w * h);
        portable->verticalProgressive(src.data(), a.data(), w, h);
        wide->verticalProgressive(src.data(), b.data(), w, h);
        ASSERT_EQ(a, b) << "progressive " << w << "x" << h;
        portable->verticalInterlaced(src.data(), a.data(), w, h);
        wide->verticalInterlaced(src.data(), b.data(), w, h);
        ASSERT_EQ(a, b) << "interlaced " << w << "x" << h;
        for (bool mpeg2 : {false, true}) {
          portable->horizontal(src.data(), a.data(), w, h, mpeg2);
          wide->horizontal(src.data(), b.data(), w, h, mpeg2);
          ASSERT_EQ(a, b) << "horizontal " << w << "x" << h << " mpeg2 " << mpeg2;
        }
        for (uint8_t& s : y) s = sample();
        for (uint8_t& s : cb) s = sample();
        for (uint8_t& s : cr) s = sample();
        const int coded = 2 * w, rows = 2 * h;
        for (int code = 0; code <= 8; ++code) {
          const ColourMatrix& m = colourMatrixFor(code);
          // One column of stride to spare, so a row overrun would show.
          std::vector<uint32_t> p((size_t)(coded + 1) * rows, 0xDEADBEEF), q = p;
          portable->matrix(y.data(), cb.data(), cr.data(), coded, rows, coded, m, p.data(), coded + 1);
          wide->matrix(y.data(), cb.data(), cr.data(), coded, rows, coded, m, q.data(), coded + 1);
          ASSERT_EQ(p, q) << "matrix " << coded << "x" << rows << " code " << code;
        }
      }
    }
}

}  // namespace
