// The header and picture layers: what each test stream exercises, fatal header conditions, and
// damaged input, which must decode the same way every time without leaving the frame stores.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/datafile.h"
#include "video/clip_reader.h"
#include "video/mpeg_decoder.h"
#include "video/mpeg_tables.h"
#include "video_test_util.h"

namespace {

std::vector<uint8_t> fixtureBytes(const std::string& name) {
  std::string bytes;
  zub::readDataFile(videoFixture(name), bytes);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// Decodes a whole stream; returns the fatal message or "" and the pictures it showed.
std::string decodeAll(const std::vector<uint8_t>& data, std::vector<uint8_t>* pictures = nullptr,
                      MpegFeatureCounts* features = nullptr) {
  MpegDecoder d;
  d.quiet = true;
  try {
    d.openStream(data.data(), data.size());
    YuvPicture p;
    decodeAllPictures(d, [&](const ShownPicture& shown) {
      if (!pictures) return;
      copyDisplayPlanes(d, *shown.frame, p);
      pictures->insert(pictures->end(), p.planes.begin(), p.planes.end());
    });
  } catch (const MpegFatal& f) {
    return f.message;
  }
  if (features) *features = d.features;
  return "";
}

TEST(VideoStreams, EachStreamExercisesWhatItsNameSays) {
  MpegFeatureCounts f;
  ASSERT_EQ(decodeAll(fixtureBytes("m2_interlaced.m2v"), nullptr, &f), "");
  EXPECT_GT(f.fieldDctMacroblocks, 0);
  EXPECT_GT(f.motionTypes[0][kMotionField], 0);
  EXPECT_GT(f.motionTypes[0][kMotionFrame], 0);

  ASSERT_EQ(decodeAll(fixtureBytes("m2_dualprime.m2v"), nullptr, &f), "");
  EXPECT_GT(f.motionTypes[0][kMotionDualPrime], 0);
  EXPECT_GT(f.fieldDctMacroblocks, 0);

  ASSERT_EQ(decodeAll(fixtureBytes("m2_422_altscan.m2v"), nullptr, &f), "");
  EXPECT_EQ(f.alternateScanPictures, 6);
  EXPECT_EQ(f.intraVlcOnePictures, 6);

  ASSERT_EQ(decodeAll(fixtureBytes("m2_nonlinear.m2v"), nullptr, &f), "");
  EXPECT_EQ(f.nonLinearQuantiserPictures, 8);

  ASSERT_EQ(decodeAll(fixtureBytes("m1_ipb.m1v"), nullptr, &f), "");
  EXPECT_GT(f.skippedMacroblocks, 0);
}

TEST(VideoStreams, LoadedQuantiserMatricesReplaceTheDefaults) {
  MpegDecoder d;
  d.quiet = true;
  d.openStream(videoFixture("m2_dualprime.m2v").c_str());
  EXPECT_EQ(memcmp(d.intraMatrix, kDefaultIntraMatrix, 64), 0);
  // The encoder's non-intra matrix rises by about one per step along rows and columns; sent in
  // zig-zag order, it must land back in raster order.
  const uint8_t firstRow[8] = {16, 17, 18, 19, 20, 21, 22, 23};
  const uint8_t firstColumn[8] = {16, 17, 18, 19, 20, 21, 22, 23};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(d.nonIntraMatrix[i], firstRow[i]);
    EXPECT_EQ(d.nonIntraMatrix[8 * i], firstColumn[i]);
  }
  EXPECT_EQ(d.nonIntraMatrix[63], 33);
}

TEST(VideoStreams, Mpeg1StreamsConvertWithMatrixCode5) {
  MpegDecoder d;
  d.quiet = true;
  d.openStream(videoFixture("m1_system.mpg").c_str());
  EXPECT_FALSE(d.mpeg2);
  EXPECT_EQ(d.matrixCoefficients, 5);
  EXPECT_TRUE(d.input.systemStream);
  EXPECT_EQ(d.input.packVersion, 1);
}

TEST(VideoStreams, TruncatedStreamEndsAsEndOfSequence) {
  MpegDecoder d;
  d.quiet = true;
  d.openStream(videoFixture("m1_truncated.m1v").c_str());
  int pictures = 1;
  while (d.readHeaders() == 1) {
    d.decodeFrame(1);
    ++pictures;
  }
  EXPECT_EQ(pictures, 6);
  EXPECT_EQ(d.readHeaders(), 0);  // and stays there
}

TEST(VideoStreams, ReopeningStartsAgainFromTheFirstPicture) {
  MpegDecoder d;
  d.quiet = true;
  std::string path = videoFixture("m2_program.mpg");
  d.openStream(path.c_str());
  ASSERT_EQ(d.readHeaders(), 1);
  int firstType = d.pictureCodingType;
  d.decodeFrame(1);
  d.releaseSequence();
  d.closeStream();
  d.openStream(path.c_str());
  EXPECT_EQ(d.pictureCounter, 1);
  ASSERT_EQ(d.readHeaders(), 1);
  EXPECT_EQ(d.pictureCodingType, firstType);
}

// ---- fatal header conditions ----

std::string fatalOf(const BitWriter& w) { return decodeAll(w.bytes); }

TEST(VideoHeaders, PictureBeforeAnySequenceHeaderIsFatal) {
  // A system stream is recognised by its first packet, so its video may start with a picture.
  BitWriter video;
  writePictureHeader(video, 1);
  video.startCode(0x1B7);
  std::vector<uint8_t> data = {0x00, 0x00, 0x01, 0xE0, 0x00, (uint8_t)(video.bytes.size() + 1), 0x0F};
  data.insert(data.end(), video.bytes.begin(), video.bytes.end());
  EXPECT_EQ(decodeAll(data), "picture header before any sequence header\n");
}

TEST(VideoHeaders, ZeroSizeIsFatal) {
  BitWriter w;
  writeSequenceHeader(w, 0, 48);
  writePictureHeader(w, 1);
  w.startCode(0x1B7);
  EXPECT_EQ(fatalOf(w), "picture size of zero\n");
}

TEST(VideoHeaders, SizeTooLargeForMemoryIsRefused) {
  BitWriter w;
  writeSequenceHeader(w, 4095, 4095);
  // Size extensions could reach 16383 x 16383; the decoder's limit stops far earlier.
  writeSequenceExtension(w, 1, 1, 1);
  writePictureHeader(w, 1);
  w.startCode(0x1B7);
  EXPECT_EQ(fatalOf(w), "picture size 8191 x 4095 too large\n");
}

TEST(VideoHeaders, ReservedChromaFormatIsFatal) {
  BitWriter w;
  writeSequenceHeader(w, 64, 48);
  writeSequenceExtension(w, 0, 1);
  writePictureHeader(w, 1);
  EXPECT_EQ(fatalOf(w), "reserved chroma format\n");
}

TEST(VideoHeaders, LaterSequenceHeaderMayNotChangeSizeOrChroma) {
  BitWriter w;
  writeSequenceHeader(w, 64, 48);
  writePictureHeader(w, 1);
  writeSequenceHeader(w, 80, 48);
  writePictureHeader(w, 1);
  w.startCode(0x1B7);
  EXPECT_EQ(fatalOf(w), "sequence header changes the picture size or chroma format\n");

  BitWriter same;
  writeSequenceHeader(same, 64, 48);
  writePictureHeader(same, 1);
  writeSequenceHeader(same, 64, 48);
  writePictureHeader(same, 1);
  same.startCode(0x1B7);
  EXPECT_EQ(fatalOf(same), "");
}

TEST(VideoHeaders, ScalableStreamsAreRefused) {
  for (int mode = 0; mode < 4; ++mode) {
    BitWriter w;
    writeSequenceHeader(w, 64, 48);
    writeSequenceExtension(w, 1, 1);
    w.startCode(0x1B5);
    w.put(5, 4);
    w.put(mode, 2);
    w.put(0, 30);
    writePictureHeader(w, 1);
    EXPECT_EQ(fatalOf(w), mode == 3 ? "temporal scalability not implemented\n"
                                     : "scalable streams need a second layer, which is not supported\n");
  }
  BitWriter t;
  writeSequenceHeader(t, 64, 48);
  writeSequenceExtension(t, 1, 1);
  writePictureHeader(t, 1);
  t.startCode(0x1B5);
  t.put(10, 4);
  t.put(0, 28);
  EXPECT_EQ(fatalOf(t), "temporal scalability not supported\n");
}

TEST(VideoHeaders, ReservedExtensionIdsAndUserDataAreSkipped) {
  BitWriter w;
  writeSequenceHeader(w, 64, 48);
  w.startCode(0x1B2);
  w.put(0x12345678, 32);
  w.startCode(0x1B5);
  w.put(12, 4);
  w.put(0xABCDE, 20);
  writePictureHeader(w, 1);
  w.startCode(0x1B7);
  EXPECT_EQ(fatalOf(w), "");
}

// ---- damaged streams ----

// Deterministic pseudo-random damage: flipped bytes, cut tails, zeroed runs.
std::vector<uint8_t> damaged(std::vector<uint8_t> data, uint32_t seed) {
  uint32_t state = seed * 2654435761u + 1;
  auto next = [&]() {
    state = state * 214013u + 2531011u;
    return (state >> 16) & 0x7FFF;
  };
  int flips = 1 + next() % 12;
  for (int i = 0; i < flips; ++i) data[64 + next() * 7 % (data.size() - 64)] ^= (uint8_t)(1 + next() % 255);
  if (next() % 3 == 0) data.resize(64 + next() * 5 % (data.size() - 64));
  if (next() % 4 == 0) {
    size_t at = 64 + next() * 3 % (data.size() - 64);
    for (size_t i = at; i < data.size() && i < at + 40; ++i) data[i] = 0;
  }
  return data;
}

TEST(VideoDamage, DamagedStreamsDecodeTheSameWayEveryRun) {
  for (const char* name : {"m1_ipb.m1v", "m1_system.mpg", "m2_program.mpg", "m2_interlaced.m2v",
                           "m2_422_altscan.m2v", "m2_dualprime.m2v", "m2_nonlinear.m2v"}) {
    std::vector<uint8_t> original = fixtureBytes(name);
    ASSERT_GT(original.size(), 1000u) << name;
    for (uint32_t seed = 0; seed < 25; ++seed) {
      std::vector<uint8_t> data = damaged(original, seed);
      std::vector<uint8_t> first, second;
      std::string a = decodeAll(data, &first);
      std::string b = decodeAll(data, &second);
      EXPECT_EQ(a, b) << name << " seed " << seed;
      EXPECT_TRUE(first == second) << name << " seed " << seed;
    }
  }
}

}  // namespace

// Found by fuzzing: an MPEG-1 sequence whose stream later carries a sequence extension for 4:2:2.
// The frame stores were made for 4:2:0; changing the geometry must be refused, not decoded.
TEST(VideoStreams, ALateSequenceExtensionCannotChangeTheGeometry) {
  EXPECT_STREQ(decodeAll(fixtureBytes("late_sequence_extension.bin")).c_str(),
               "sequence header changes the picture size or chroma format\n");
}

// Found by fuzzing: a system-layer error met while the block loop tops up its bit window must end
// the stream with its message, as anywhere else (it once ended the process). Each video packet
// after the first in turn gets an unknown marker where its header starts.
TEST(VideoDamage, SystemLayerErrorsInsideABlockEndTheStream) {
  std::vector<uint8_t> original = fixtureBytes("m1_system.mpg");
  int broken = 0;
  for (size_t at = 64; at + 7 < original.size(); ++at) {
    if (original[at] != 0 || original[at + 1] != 0 || original[at + 2] != 1 || original[at + 3] != 0xE0) continue;
    std::vector<uint8_t> data = original;
    data[at + 6] = 0x1F;
    EXPECT_EQ(decodeAll(data), "Error in packet header\n") << "packet at " << at;
    ++broken;
  }
  EXPECT_GE(broken, 3);
}
