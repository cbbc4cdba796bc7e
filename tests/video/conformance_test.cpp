// Our decode of streams encoded by ffmpeg, compared plane by plane with ffmpeg's own decode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "video/clip_reader.h"
#include "video_test_util.h"

namespace {

struct Vector {
  const char* stream;
  const char* reference;
  int pictures;  // pictures ffmpeg shows
  int intact;    // pictures compared: a cut stream's damaged pictures depend on each decoder's concealment
};

// Our IDCT and ffmpeg's differ by a rounding here and there; a single picture sits at 64 dB or
// more, but in a chain of predicted pictures at a fine quantiser the differences add up to about
// 63 dB (ffmpeg's own integer IDCT ends 60 dB away from its simple one on the same streams). A real
// decoding fault costs whole blocks and falls far below both floors.
constexpr double kPlaneFloor = 62.0;
constexpr double kStreamMeanFloor = 64.0;

class Conformance : public ::testing::TestWithParam<Vector> {};

TEST_P(Conformance, EveryPictureAndPlaneMatchesReferenceDecode) {
  const Vector& v = GetParam();
  std::vector<uint8_t> reference = readReferencePlanes(videoFixture(v.reference));
  ASSERT_FALSE(reference.empty()) << v.reference;

  MpegDecoder decoder;
  decoder.quiet = true;
  std::vector<uint8_t> ours;
  YuvPicture picture;
  size_t pictureSize = 0;
  try {
    decoder.openStream(videoFixture(v.stream).c_str());
    decodeAllPictures(decoder, [&](const ShownPicture& shown) {
      copyDisplayPlanes(decoder, *shown.frame, picture);
      pictureSize = picture.planes.size();
      ours.insert(ours.end(), picture.planes.begin(), picture.planes.end());
    });
  } catch (const MpegFatal& f) {
    FAIL() << "fatal: " << f.message;
  }
  ASSERT_GT(pictureSize, 0u);
  ASSERT_EQ(ours.size() / pictureSize, (size_t)v.pictures);
  // The PNG pads the last row; only whole pictures count.
  ASSERT_GE(reference.size(), ours.size());

  double minimum[3] = {99, 99, 99}, total = 0;
  int planes = 0;
  size_t offsets[3] = {0, (size_t)picture.width * picture.height,
                       (size_t)picture.width * picture.height + (size_t)picture.chromaWidth * picture.chromaHeight};
  size_t sizes[3] = {offsets[1], (size_t)picture.chromaWidth * picture.chromaHeight,
                     (size_t)picture.chromaWidth * picture.chromaHeight};
  for (int p = 0; p < v.intact; ++p) {
    for (int c = 0; c < 3; ++c) {
      size_t at = p * pictureSize + offsets[c];
      double db = psnr(ours.data() + at, reference.data() + at, sizes[c]);
      EXPECT_GE(db, kPlaneFloor) << v.stream << " picture " << p << " plane " << c;
      minimum[c] = std::min(minimum[c], db);
      total += db;
      ++planes;
    }
  }
  EXPECT_GE(total / planes, kStreamMeanFloor) << v.stream;
  printf("[ PSNR     ] %-26s min Y %.2f Cb %.2f Cr %.2f dB, mean %.2f dB over %d pictures\n", v.stream, minimum[0],
         minimum[1], minimum[2], total / planes, v.intact);
}

INSTANTIATE_TEST_SUITE_P(
    Video, Conformance,
    ::testing::Values(Vector{"m1_ipb.m1v", "m1_ipb.yuv420p.png", 10, 10},
                      Vector{"m1_system.mpg", "m1_system.yuv420p.png", 8, 8},
                      Vector{"m1_odd_size.m1v", "m1_odd_size.yuv420p.png", 6, 6},
                      Vector{"m1_intra_q1.m1v", "m1_intra_q1.yuv420p.png", 3, 3},
                      Vector{"m1_q31.m1v", "m1_q31.yuv420p.png", 8, 8},
                      Vector{"m1_truncated.m1v", "m1_truncated.yuv420p.png", 6, 4},
                      Vector{"m2_program.mpg", "m2_program.yuv420p.png", 8, 8},
                      Vector{"m2_interlaced.m2v", "m2_interlaced.yuv420p.png", 8, 8},
                      Vector{"m2_422_altscan.m2v", "m2_422_altscan.yuv422p.png", 6, 6},
                      Vector{"m2_nonlinear.m2v", "m2_nonlinear.yuv420p.png", 8, 8},
                      Vector{"m2_dualprime.m2v", "m2_dualprime.yuv420p.png", 5, 5},
                      Vector{"m2_p420_i.m2v", "m2_p420_i.yuv420p.png", 3, 3},
                      Vector{"m2_p420_i_odd.m2v", "m2_p420_i_odd.yuv420p.png", 3, 3},
                      Vector{"m2_p420_ip.m2v", "m2_p420_ip.yuv420p.png", 6, 6},
                      Vector{"m2_p420_ip_odd.m2v", "m2_p420_ip_odd.yuv420p.png", 6, 6},
                      Vector{"m2_p420_ipb.m2v", "m2_p420_ipb.yuv420p.png", 7, 7},
                      Vector{"m2_p420_ipb_odd.m2v", "m2_p420_ipb_odd.yuv420p.png", 7, 7},
                      Vector{"m2_p422_i.m2v", "m2_p422_i.yuv422p.png", 3, 3},
                      Vector{"m2_p422_i_odd.m2v", "m2_p422_i_odd.yuv422p.png", 3, 3},
                      Vector{"m2_p422_ip.m2v", "m2_p422_ip.yuv422p.png", 6, 6},
                      Vector{"m2_p422_ip_odd.m2v", "m2_p422_ip_odd.yuv422p.png", 6, 6},
                      Vector{"m2_p422_ipb.m2v", "m2_p422_ipb.yuv422p.png", 7, 7},
                      Vector{"m2_p422_ipb_odd.m2v", "m2_p422_ipb_odd.yuv422p.png", 7, 7},
                      Vector{"m2_i420_i.m2v", "m2_i420_i.yuv420p.png", 3, 3},
                      Vector{"m2_i420_i_odd.m2v", "m2_i420_i_odd.yuv420p.png", 3, 3},
                      Vector{"m2_i420_ip.m2v", "m2_i420_ip.yuv420p.png", 6, 6},
                      Vector{"m2_i420_ip_odd.m2v", "m2_i420_ip_odd.yuv420p.png", 6, 6},
                      Vector{"m2_i420_ipb.m2v", "m2_i420_ipb.yuv420p.png", 7, 7},
                      Vector{"m2_i420_ipb_odd.m2v", "m2_i420_ipb_odd.yuv420p.png", 7, 7},
                      Vector{"m2_i422_i.m2v", "m2_i422_i.yuv422p.png", 3, 3},
                      Vector{"m2_i422_i_odd.m2v", "m2_i422_i_odd.yuv422p.png", 3, 3},
                      Vector{"m2_i422_ip.m2v", "m2_i422_ip.yuv422p.png", 6, 6},
                      Vector{"m2_i422_ip_odd.m2v", "m2_i422_ip_odd.yuv422p.png", 6, 6},
                      Vector{"m2_i422_ipb.m2v", "m2_i422_ipb.yuv422p.png", 12, 12},
                      Vector{"m2_i422_ipb_odd.m2v", "m2_i422_ipb_odd.yuv422p.png", 8, 8},
                      Vector{"m2_i422_ipb_gop5.m2v", "m2_i422_ipb_gop5.yuv422p.png", 8, 8},
                      Vector{"m2_i422_ipb_closed.m2v", "m2_i422_ipb_closed.yuv422p.png", 9, 9},
                      Vector{"m1_one_picture.m1v", "m1_one_picture.yuv420p.png", 1, 1},
                      Vector{"m1_system_odd.mpg", "m1_system_odd.yuv420p.png", 7, 7},
                      Vector{"m2_program_audio.mpg", "m2_program_audio.yuv420p.png", 6, 6},
                      Vector{"m2_program_audio_odd.mpg", "m2_program_audio_odd.yuv422p.png", 7, 7}),
    [](const ::testing::TestParamInfo<Vector>& info) {
      std::string name = info.param.stream;
      std::replace(name.begin(), name.end(), '.', '_');
      return name;
    });

// The interlaced 4:2:2 streams with B pictures skip macroblocks right after field-predicted ones,
// which must take frame prediction from the vector predictors.
TEST(Conformance, InterlacedBStreamsSkipAfterFieldPrediction) {
  for (const char* name : {"m2_i422_ipb.m2v", "m2_i422_ipb_odd.m2v", "m2_i422_ipb_gop5.m2v", "m2_i422_ipb_closed.m2v"}) {
    MpegDecoder decoder;
    decoder.quiet = true;
    decoder.openStream(videoFixture(name).c_str());
    decodeAllPictures(decoder, [](const ShownPicture&) {});
    EXPECT_GT(decoder.features.bSkipsAfterFieldMotion, 0) << name;
    EXPECT_GT(decoder.features.fieldDctMacroblocks, 0) << name;
    EXPECT_GT(decoder.features.motionTypes[0][kMotionField], 0) << name;
  }
}

}  // namespace
