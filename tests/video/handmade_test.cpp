// Hand-made MPEG-2 streams for what no encoder at hand writes: field pictures with field, 16 x 8
// and dual-prime prediction, 4:4:4 and 4:2:2 block placement with field DCT. Intra blocks carry
// only a DC value and predicted macroblocks no residual, so every sample is known exactly.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "video/clip_reader.h"
#include "video/mpeg_decoder.h"
#include "video/video_clip.h"
#include "video_test_util.h"

namespace {

// ---- a tiny MPEG-2 writer ----

struct StreamWriter {
  BitWriter w;
  int dcPredictor[3] = {0, 0, 0};

  void sequence(int width, int height, int chroma, int progressive) {
    writeSequenceHeader(w, width, height);
    writeSequenceExtension(w, chroma, progressive);
  }

  void picture(int type, int structure, int framePredFrameDct, int progressiveFrame, int fcode = 2) {
    writePictureHeader(w, type);
    w.startCode(0x1B5);
    w.put(8, 4);
    int f = type == 2 ? fcode : 15;
    w.put(f, 4);
    w.put(f, 4);
    w.put(15, 4);
    w.put(15, 4);
    w.put(0, 2);          // intra_dc_precision 8 bits
    w.put(structure, 2);
    w.put(1, 1);          // top_field_first
    w.put(framePredFrameDct, 1);
    w.put(0, 5);          // concealment, q_scale_type, intra_vlc_format, alternate_scan, repeat
    w.put(0, 1);          // chroma_420_type
    w.put(progressiveFrame, 1);
    w.put(0, 1);
  }

  // One slice per macroblock keeps every predictor fresh.
  void slice(int row, int column) {
    w.startCode(0x101 + row);
    w.put(2, 5);  // quantiser_scale_code
    w.put(0, 1);
    macroblockAddressIncrement(column + 1);
    dcPredictor[0] = dcPredictor[1] = dcPredictor[2] = 0;
  }

  void macroblockAddressIncrement(int n) {
    static const char* const codes[] = {"", "1", "011", "010", "0011", "0010", "00011", "00010"};
    w.putCode(codes[n]);
  }

  // An intra block of flat value 128 + v (DC only).
  void dcBlock(int cc, int v) {
    static const char* const luma[] = {"100", "00", "01", "101", "110", "1110", "11110", "111110", "1111110"};
    static const char* const chroma[] = {"00", "01", "10", "110", "1110", "11110", "111110", "1111110", "11111110"};
    int diff = v - dcPredictor[cc];
    dcPredictor[cc] = v;
    int size = 0;
    while ((1 << size) <= abs(diff)) ++size;
    w.putCode(cc == 0 ? luma[size] : chroma[size]);
    if (size) w.put(diff > 0 ? diff : diff + (1 << size) - 1, size);
    w.putCode("10");  // end of block (table B.14)
  }

  // Intra macroblock: type "1", optional dct_type, then one DC value per block.
  void intraMacroblock(const std::vector<int>& values, int dctType = -1) {
    w.putCode("1");
    if (dctType >= 0) w.put(dctType, 1);
    for (size_t b = 0; b < values.size(); ++b) dcBlock(b < 4 ? 0 : (b & 1) + 1, values[b]);
  }

  // A motion_vector component with f_code 2: delta in half samples, from a zero predictor.
  void motionComponent(int delta) {
    static const char* const codes[] = {"1", "01", "001", "0001", "000011", "0000101", "0000100", "0000011",
                                        "000001011"};
    if (delta == 0) {
      w.putCode("1");
      return;
    }
    int magnitude = abs(delta);
    int code = (magnitude + 1) / 2;  // f_code 2: delta = (code - 1) * 2 + residual + 1
    w.putCode(codes[code]);
    w.put(delta < 0, 1);
    w.put((magnitude - 1) & 1, 1);
  }

  void end() { w.startCode(0x1B7); }
};

struct Decoded {
  std::vector<YuvPicture> pictures;
  MpegFeatureCounts features;
};

Decoded decode(const std::vector<uint8_t>& bytes) {
  Decoded out;
  MpegDecoder d;
  d.quiet = true;
  d.openStream(bytes.data(), bytes.size());
  decodeAllPictures(d, [&](const ShownPicture& shown) {
    out.pictures.emplace_back();
    copyDisplayPlanes(d, *shown.frame, out.pictures.back());
  });
  out.features = d.features;
  return out;
}

// ---- field pictures ----

// 32 x 64 interlaced frame: each field is 2 x 2 macroblocks. Luma value per field macroblock.
constexpr int kTop[2][2] = {{-60, -20}, {20, 60}};
constexpr int kBottom[2][2] = {{-100, 100}, {-40, 40}};

void writeIntraField(StreamWriter& s, int structure, const int (&values)[2][2]) {
  s.picture(1, structure, 0, 0);
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 2; ++col) {
      s.slice(row, col);
      int v = values[row][col];
      s.intraMacroblock({v, v, v, v, 10, -10});
    }
}

TEST(VideoFieldPictures, IntraFieldsInterleaveIntoOneFrame) {
  StreamWriter s;
  s.sequence(32, 64, 1, 0);
  writeIntraField(s, kTopField, kTop);
  writeIntraField(s, kBottomField, kBottom);
  s.end();
  Decoded d = decode(s.w.bytes);
  ASSERT_EQ(d.pictures.size(), 1u);
  EXPECT_EQ(d.features.fieldPictures, 2);
  const uint8_t* y = d.pictures[0].plane(0);
  for (int line = 0; line < 64; ++line)
    for (int x = 0; x < 32; ++x) {
      int fieldLine = line / 2;
      int v = (line & 1) ? kBottom[fieldLine / 16][x / 16] : kTop[fieldLine / 16][x / 16];
      ASSERT_EQ(y[line * 32 + x], 128 + v) << "line " << line << " x " << x;
    }
  // Chroma fields interleave the same way: all 138 and 118.
  for (int i = 0; i < 16 * 32; ++i) ASSERT_EQ(d.pictures[0].plane(1)[i], 138);
  for (int i = 0; i < 16 * 32; ++i) ASSERT_EQ(d.pictures[0].plane(2)[i], 118);
}

TEST(VideoFieldPictures, SixteenByEightFieldAndDualPrimePrediction) {
  StreamWriter s;
  s.sequence(32, 64, 1, 0);
  writeIntraField(s, kTopField, kTop);
  writeIntraField(s, kBottomField, kBottom);

  // P top field. Column 0: 16 x 8, upper half from the reference bottom field in place, lower
  // half from the reference top field 8 lines further down in row 0 (in place in row 1).
  // Column 1: field prediction from the reference bottom field, 4 samples to the left.
  s.picture(2, kTopField, 0, 0);
  for (int row = 0; row < 2; ++row) {
    s.slice(row, 0);
    s.w.putCode("001");  // forward prediction, not coded
    s.w.put(kMotion16x8, 2);
    s.w.put(1, 1);
    s.motionComponent(0);
    s.motionComponent(0);
    s.w.put(0, 1);
    s.motionComponent(0);
    s.motionComponent(row == 0 ? 16 : 0);
    s.slice(row, 1);
    s.w.putCode("001");
    s.w.put(kMotionField, 2);
    s.w.put(1, 1);
    s.motionComponent(-8);
    s.motionComponent(0);
  }
  // P bottom field, dual prime with a zero vector: the same-parity reference is the I frame's
  // bottom field, the opposite parity is the top field just decoded. dmvector +1 in row 0 makes
  // the opposite-parity vector one line down; -1 in row 1 makes it zero.
  s.picture(2, kBottomField, 0, 0);
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 2; ++col) {
      s.slice(row, col);
      s.w.putCode("001");
      s.w.put(kMotionDualPrime, 2);
      s.w.putCode("1");
      s.w.putCode("0");  // x: vector 0, dmvector 0
      s.w.putCode("1");
      s.w.putCode(row == 0 ? "10" : "11");
    }
  s.end();

  Decoded d = decode(s.w.bytes);
  ASSERT_EQ(d.pictures.size(), 2u);
  EXPECT_EQ(d.features.fieldPictures, 4);
  EXPECT_EQ(d.features.motionTypes[1][kMotion16x8], 2);
  EXPECT_EQ(d.features.motionTypes[1][kMotionField], 2);
  EXPECT_EQ(d.features.motionTypes[1][kMotionDualPrime], 4);

  // The model: reference fields as 32 x 32 arrays of luma.
  auto refTop = [](int line, int x) { return 128 + kTop[line / 16][x / 16]; };
  auto refBottom = [](int line, int x) { return 128 + kBottom[line / 16][x / 16]; };
  auto predictedTop = [&](int line, int x) {
    int row = line / 16, inMb = line % 16;
    if (x < 16) return inMb < 8 ? refBottom(line, x) : refTop(row == 0 ? line + 8 : line, x);
    return refBottom(line, x - 4);
  };
  auto predictedBottom = [&](int line, int x) {
    int row = line / 16;
    return (refBottom(line, x) + predictedTop(row == 0 ? line + 1 : line, x) + 1) >> 1;
  };
  const uint8_t* y = d.pictures[1].plane(0);
  for (int line = 0; line < 64; ++line)
    for (int x = 0; x < 32; ++x) {
      int expect = (line & 1) ? predictedBottom(line / 2, x) : predictedTop(line / 2, x);
      ASSERT_EQ(y[line * 32 + x], expect) << "line " << line << " x " << x;
    }
  for (int i = 0; i < 16 * 32; ++i) ASSERT_EQ(d.pictures[1].plane(1)[i], 138);
}

TEST(VideoFieldPictures, LoneFirstFieldIsDroppedForTheFrameThatFollows) {
  StreamWriter s;
  s.sequence(32, 64, 1, 0);
  writeIntraField(s, kTopField, kTop);
  s.picture(1, kFramePicture, 1, 0);  // "odd number of field pictures": a frame where a field was due
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 2; ++col) {
      s.slice(row, col);
      s.intraMacroblock({33, 33, 33, 33, 0, 0});
    }
  s.end();
  Decoded d = decode(s.w.bytes);
  ASSERT_EQ(d.pictures.size(), 1u);
  EXPECT_EQ(d.features.fieldPictures, 1);
  for (int i = 0; i < 32 * 64; ++i) ASSERT_EQ(d.pictures[0].plane(0)[i], 161) << i;
}

TEST(VideoFieldPictures, ClipOfFieldPairsCountsAndPlaysFrames) {
  StreamWriter s;
  s.sequence(32, 64, 1, 0);
  for (int frame = 0; frame < 3; ++frame) {
    writeIntraField(s, kTopField, frame == 1 ? kBottom : kTop);
    writeIntraField(s, kBottomField, frame == 1 ? kTop : kBottom);
  }
  s.end();
  std::string path = ::testing::TempDir() + "/fields.m2v";
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  fwrite(s.w.bytes.data(), 1, s.w.bytes.size(), f);
  fclose(f);

  MpegFatal failure;
  std::unique_ptr<VideoClip> clip = VideoClip::open(path.c_str(), failure);
  ASSERT_TRUE(clip) << failure.message;
  EXPECT_EQ(clip->frameCount, 2);  // three frames of two fields: frames, not fields, are counted
  EXPECT_EQ(clip->decoder.pictureCounter, 1);
  EXPECT_EQ(clip->nextFrame(), 2);
  // The first frame is on show, its top field (even lines) from kTop.
  EXPECT_EQ(clip->bitmap->pixels[0], convertPixel(128 + kTop[0][0], 138, 118, 1));
  EXPECT_EQ(clip->bitmap->pixels[32], convertPixel(128 + kBottom[0][0], 138, 118, 1));
  EXPECT_EQ(clip->nextFrame(), 1);  // exhausted: restarted
  EXPECT_EQ(clip->nextFrame(), 2);
}

// ---- untrusted input ----

// A 32 x 16 progressive 4:2:0 I picture: left macroblock 128 - 50, right 128 + 50.
void writeTwoBlockIntra(StreamWriter& s) {
  s.sequence(32, 16, 1, 1);
  s.picture(1, kFramePicture, 1, 1);
  for (int col = 0; col < 2; ++col) {
    s.slice(0, col);
    int v = col ? 50 : -50;
    s.intraMacroblock({v, v, v, v, 0, 0});
  }
}

TEST(VideoUntrusted, VectorsOutsideTheReferenceAreHeldInside) {
  StreamWriter s;
  writeTwoBlockIntra(s);
  s.picture(2, kFramePicture, 1, 1, 4);
  for (int col = 0; col < 2; ++col) {
    s.slice(0, col);
    s.w.putCode("001");
    // f_code 4: 64 half samples is code 8 with residual 7 (8 - 1) * 8 + 7 + 1.
    s.w.putCode("000001011");
    s.w.put(col ? 0 : 1, 1);  // left macroblock 32 samples left, right one 32 samples right
    s.w.put(7, 3);
    s.motionComponent(0);
  }
  s.end();
  Decoded d = decode(s.w.bytes);
  ASSERT_EQ(d.pictures.size(), 2u);
  // Held at the picture's edges, each macroblock copies itself.
  for (int x = 0; x < 32; ++x) ASSERT_EQ(d.pictures[1].plane(0)[5 * 32 + x], x < 16 ? 78 : 178) << x;
}

TEST(VideoUntrusted, ForbiddenFCodeAbandonsTheSliceOnly) {
  StreamWriter s;
  writeTwoBlockIntra(s);
  s.picture(2, kFramePicture, 1, 1, 0);  // f_code 0: every motion vector is invalid
  s.slice(0, 0);
  s.w.putCode("001");
  s.motionComponent(0);
  s.motionComponent(0);
  s.slice(0, 1);
  s.w.putCode("01");   // coded, no motion compensation: needs no f_code
  s.w.putCode("111");  // coded_block_pattern 60: the four luma blocks
  for (int b = 0; b < 4; ++b) s.w.putCode("1" "0" "10");  // first coefficient +1, end of block
  s.end();
  Decoded d = decode(s.w.bytes);
  ASSERT_EQ(d.pictures.size(), 2u);
  // The left macroblock keeps its store's black; the right one is the prediction plus residual.
  EXPECT_EQ(d.pictures[1].plane(0)[0], 16);
  EXPECT_GE(d.pictures[1].plane(0)[20], 178);
}

TEST(VideoUntrusted, CoefficientRunPastTheBlockAbandonsTheSlice) {
  StreamWriter s;
  s.sequence(32, 16, 1, 1);
  s.picture(1, kFramePicture, 1, 1);
  s.slice(0, 0);
  s.w.putCode("1");          // intra
  s.w.putCode("110");        // dc size 4
  s.w.put(15, 4);            // +15
  s.w.putCode("000001");     // escape
  s.w.put(63, 6);            // run 63 after the DC: position 64
  s.w.put(5, 12);
  s.slice(0, 1);
  s.intraMacroblock({40, 40, 40, 40, 0, 0});
  s.end();
  Decoded d = decode(s.w.bytes);
  ASSERT_EQ(d.pictures.size(), 1u);
  EXPECT_EQ(d.pictures[0].plane(0)[0], 16);    // abandoned: the store's black
  EXPECT_EQ(d.pictures[0].plane(0)[20], 168);  // the next slice decodes
}

TEST(VideoUntrusted, SliceBeyondThePictureIsSkipped) {
  StreamWriter s;
  s.sequence(32, 16, 1, 1);
  s.picture(1, kFramePicture, 1, 1);
  s.slice(7, 0);  // row 8 of a one-row picture
  s.intraMacroblock({40, 40, 40, 40, 0, 0});
  s.slice(0, 1);
  s.intraMacroblock({-40, -40, -40, -40, 0, 0});
  s.end();
  Decoded d = decode(s.w.bytes);
  ASSERT_EQ(d.pictures.size(), 1u);
  EXPECT_EQ(d.pictures[0].plane(0)[0], 16);
  EXPECT_EQ(d.pictures[0].plane(0)[20], 88);
}

// The decoder's warnings go to standard error alone, and `quiet` silences them.
TEST(VideoUntrusted, WarningsGoToStandardErrorUnlessQuiet) {
  StreamWriter s;
  s.sequence(32, 16, 1, 1);
  s.picture(1, kFramePicture, 1, 1);
  s.slice(7, 0);
  s.intraMacroblock({40, 40, 40, 40, 0, 0});
  s.end();
  for (bool quiet : {false, true}) {
    MpegDecoder d;
    d.quiet = quiet;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    d.openStream(s.w.bytes.data(), s.w.bytes.size());
    decodeAllPictures(d, [](const ShownPicture&) {});
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "") << "quiet " << quiet;
    EXPECT_EQ(err, quiet ? "" : "start_of_slice(): slice beyond the picture\nstart_of_slice(): Premature end of picture\n")
        << "quiet " << quiet;
  }
}

TEST(VideoUntrusted, FieldPicturesInAOneRowProgressiveSequenceAddressNothing) {
  for (int width : {16, 48}) {
    StreamWriter s;
    s.sequence(width, 16, 1, 1);
    writeIntraField(s, kTopField, kTop);
    s.picture(2, kBottomField, 0, 0);
    s.slice(0, 0);
    s.w.putCode("001");
    s.w.put(kMotionField, 2);
    s.w.put(0, 1);
    s.motionComponent(0);
    s.motionComponent(0);
    s.end();
    Decoded d = decode(s.w.bytes);
    ASSERT_EQ(d.pictures.size(), 1u);
    EXPECT_EQ(d.pictures[0].plane(0)[0], 16);
  }
}

TEST(VideoMpeg1, FullPelVectorsCountWholeSamples) {
  StreamWriter s;
  writeSequenceHeader(s.w, 32, 16);  // no sequence extension: MPEG-1
  for (int type : {1, 2}) {
    s.w.startCode(0x100);
    s.w.put(0, 10);
    s.w.put(type, 3);
    s.w.put(0xFFFF, 16);
    if (type == 2) {
      s.w.put(1, 1);  // full_pel_forward_vector
      s.w.put(1, 3);  // forward_f_code 1
    }
    s.w.put(0, 1);
    for (int col = 0; col < 2; ++col) {
      s.slice(0, col);
      if (type == 1) {
        int v = col ? 50 : -50;
        s.intraMacroblock({v, v, v, v, 0, 0});
      } else {
        s.w.putCode("001");
        s.w.putCode(col ? "0000111" : "1");  // motion code -4: four whole samples to the left
        s.w.putCode("1");
      }
    }
  }
  s.end();
  Decoded d = decode(s.w.bytes);
  ASSERT_EQ(d.pictures.size(), 2u);
  for (int x = 0; x < 32; ++x) ASSERT_EQ(d.pictures[1].plane(0)[3 * 32 + x], x < 20 ? 78 : 178) << x;
  // Chroma moves two samples: half the vector, still whole samples.
  EXPECT_EQ(d.pictures[1].plane(1)[0], 128);
}

// ---- chroma formats ----

TEST(VideoChromaFormats, Chroma444BlocksFillTheirQuarters) {
  StreamWriter s;
  s.sequence(16, 16, kChroma444, 1);
  s.picture(1, kFramePicture, 1, 1);
  s.slice(0, 0);
  // Y 0..3, then Cb 4, Cr 5, Cb 6, Cr 7, Cb 8, Cr 9, Cb 10, Cr 11.
  s.intraMacroblock({0, 0, 0, 0, -40, 40, -20, 20, 0, 0, 30, -30});
  s.end();
  Decoded d = decode(s.w.bytes);
  ASSERT_EQ(d.pictures.size(), 1u);
  const YuvPicture& p = d.pictures[0];
  ASSERT_EQ(p.chromaWidth, 16);
  ASSERT_EQ(p.chromaHeight, 16);
  // Cb: 4 top left, 6 bottom left, 8 top right, 10 bottom right.
  const int cb[2][2] = {{-40, 0}, {-20, 30}}, cr[2][2] = {{40, 0}, {20, -30}};
  for (int yy = 0; yy < 16; ++yy)
    for (int x = 0; x < 16; ++x) {
      ASSERT_EQ(p.plane(1)[yy * 16 + x], 128 + cb[yy / 8][x / 8]) << yy << "," << x;
      ASSERT_EQ(p.plane(2)[yy * 16 + x], 128 + cr[yy / 8][x / 8]) << yy << "," << x;
    }
}

TEST(VideoChromaFormats, Chroma444MotionVectorsAreNotScaled) {
  StreamWriter s;
  s.sequence(32, 16, kChroma444, 1);
  s.picture(1, kFramePicture, 1, 1);
  for (int col = 0; col < 2; ++col) {
    s.slice(0, col);
    int v = col ? 50 : -50;
    s.intraMacroblock({v, v, v, v, v, v, v, v, v, v, v, v});
  }
  s.picture(2, kFramePicture, 1, 1);
  for (int col = 0; col < 2; ++col) {
    s.slice(0, col);
    s.w.putCode("001");  // frame prediction (frame_pred_frame_dct), not coded
    s.motionComponent(col ? -16 : 0);  // the right macroblock from 8 samples to the left
    s.motionComponent(0);
  }
  s.end();
  Decoded d = decode(s.w.bytes);
  ASSERT_EQ(d.pictures.size(), 2u);
  for (int c = 0; c < 3; ++c)
    for (int x = 0; x < 32; ++x) {
      int expect = x < 24 ? 78 : 178;
      ASSERT_EQ(d.pictures[1].plane(c)[x], expect) << "plane " << c << " x " << x;
      ASSERT_EQ(d.pictures[1].plane(c)[15 * 32 + x], expect) << "plane " << c << " x " << x;
    }
}

TEST(VideoChromaFormats, Chroma422FieldDctPlacesBlocksOnAlternateLines) {
  StreamWriter s;
  s.sequence(16, 32, kChroma422, 0);
  s.picture(1, kFramePicture, 0, 0);
  for (int row = 0; row < 2; ++row) {
    s.slice(row, 0);
    // Field DCT: luma blocks 0, 1 hold the top field lines, 2, 3 the bottom field lines; likewise
    // Cb 4 (top) and 6 (bottom), Cr 5 and 7.
    s.intraMacroblock({-30, -30, 30, 30, -10, 10, 20, -20}, 1);
  }
  s.end();
  Decoded d = decode(s.w.bytes);
  ASSERT_EQ(d.pictures.size(), 1u);
  EXPECT_EQ(d.features.fieldDctMacroblocks, 2);
  const YuvPicture& p = d.pictures[0];
  ASSERT_EQ(p.chromaWidth, 8);
  ASSERT_EQ(p.chromaHeight, 32);
  for (int line = 0; line < 32; ++line) {
    bool bottom = line & 1;
    for (int x = 0; x < 16; ++x) ASSERT_EQ(p.plane(0)[line * 16 + x], bottom ? 158 : 98) << line;
    for (int x = 0; x < 8; ++x) {
      ASSERT_EQ(p.plane(1)[line * 8 + x], bottom ? 148 : 118) << line;
      ASSERT_EQ(p.plane(2)[line * 8 + x], bottom ? 108 : 138) << line;
    }
  }
}

}  // namespace

// A sequence extension that comes again without its header completes the header's low bits of the
// bit rate and buffer size again; it never adds to them (which overflowed after a few repeats).
TEST(VideoUntrusted, RepeatedSequenceExtensionsKeepTheBitRate) {
  BitWriter w;
  writeSequenceHeader(w, 32, 32);  // bit rate 0x3FFFF, buffer size 20
  for (int repeat = 0; repeat < 3; ++repeat) {
    w.startCode(0x1B5);
    w.put(1, 4);
    w.put(0x48, 8);
    w.put(1, 1);
    w.put(1, 2);
    w.put(0, 4);
    w.put(0xFFF, 12);  // bit_rate_extension
    w.put(1, 1);
    w.put(0xFF, 8);  // vbv_buffer_size_extension
    w.put(0, 8);
  }
  w.startCode(0x1B7);
  MpegDecoder d;
  d.quiet = true;
  // Headers alone hold no picture, so opening fails after reading all of them.
  EXPECT_THROW(d.openStream(w.bytes.data(), w.bytes.size()), MpegFatal);
  EXPECT_EQ(d.bitRate, 0x3FFFFFFF);
  EXPECT_EQ(d.vbvBufferSize, 0xFF << 10 | 20);
}
