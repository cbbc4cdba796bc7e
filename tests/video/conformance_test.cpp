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

  double minimum = 99, total = 0;
  int planes = 0;
  size_t offsets[3] = {0, (size_t)picture.width * picture.height,
                       (size_t)picture.width * picture.height + (size_t)picture.chromaWidth * picture.chromaHeight};
  size_t sizes[3] = {offsets[1], (size_t)picture.chromaWidth * picture.chromaHeight,
                     (size_t)picture.chromaWidth * picture.chromaHeight};
  for (int p = 0; p < v.intact; ++p) {
    for (int c = 0; c < 3; ++c) {
      size_t at = p * pictureSize + offsets[c];
      double db = psnr(ours.data() + at, reference.data() + at, sizes[c]);
      EXPECT_GE(db, 48.0) << v.stream << " picture " << p << " plane " << c;
      minimum = std::min(minimum, db);
      total += db;
      ++planes;
    }
  }
  printf("[ PSNR     ] %-22s min %.2f dB, mean %.2f dB over %d pictures\n", v.stream, minimum, total / planes,
         v.intact);
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
                      Vector{"m2_dualprime.m2v", "m2_dualprime.yuv420p.png", 5, 5}),
    [](const ::testing::TestParamInfo<Vector>& info) {
      std::string name = info.param.stream;
      std::replace(name.begin(), name.end(), '.', '_');
      return name;
    });

}  // namespace
