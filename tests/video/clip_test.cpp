// VideoClip: counting pass, frame order, the restart rule, and the process-ending failures.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <vector>

#include "core/datafile.h"
#include "video/clip_reader.h"
#include "video/video_clip.h"
#include "video_test_util.h"

namespace {

// Our own display-order pictures of a stream, converted as the clip converts them.
std::vector<std::vector<uint32_t>> convertedPictures(const std::string& path) {
  MpegDecoder d;
  d.quiet = true;
  ColourConverter converter;
  std::vector<std::vector<uint32_t>> pictures;
  d.openStream(path.c_str());
  decodeAllPictures(d, [&](const ShownPicture& shown) {
    std::vector<uint32_t> rgb((size_t)d.codedWidth * d.verticalSize, 0);
    converter.convert(d, shown, rgb.data(), d.codedWidth);
    pictures.push_back(rgb);
  });
  return pictures;
}

std::vector<uint32_t> pixelsOf(const VideoClip* clip) {
  return std::vector<uint32_t>(clip->bitmap->pixels, clip->bitmap->pixels + clip->width * clip->height);
}

TEST(VideoClip, FrameCountIsOneLessThanThePictureHeaders) {
  VideoClip* clip = VideoClip::open(videoFixture("m1_ipb.m1v").c_str());
  EXPECT_EQ(clip->frameCount, 9);  // ten picture headers
  EXPECT_EQ(clip->width, 144);
  EXPECT_EQ(clip->height, 112);
  EXPECT_EQ(clip->frameIndex, 0);
  delete clip;
}

TEST(VideoClip, WidthIsCodedWidthAndRowsUseTheBitmapStride) {
  VideoClip* clip = VideoClip::open(videoFixture("m1_odd_size.m1v").c_str());
  EXPECT_EQ(clip->width, 112);
  EXPECT_EQ(clip->height, 70);
  clip->nextFrame();
  std::vector<std::vector<uint32_t>> expect = convertedPictures(videoFixture("m1_odd_size.m1v"));
  EXPECT_EQ(pixelsOf(clip), expect[0]);
  // Columns beyond the horizontal size stay as the bitmap was made: black.
  for (int y = 0; y < clip->height; ++y) ASSERT_EQ(clip->bitmap->pixels[y * clip->width + 105], 0u);
  delete clip;
}

TEST(VideoClip, PlaysInDisplayOrderThenRestartsAndRepeats) {
  std::string path = videoFixture("m1_ipb.m1v");
  std::vector<std::vector<uint32_t>> expect = convertedPictures(path);
  VideoClip* clip = VideoClip::open(path.c_str());
  // open decoded picture 1; calls 1 .. 8 decode pictures 2 .. 9 and show pictures 1 .. 8.
  for (int call = 1; call <= 8; ++call) {
    EXPECT_EQ(clip->nextFrame(), call + 1);
    EXPECT_EQ(pixelsOf(clip), expect[call - 1]) << "call " << call;
  }
  std::vector<uint32_t> before = pixelsOf(clip);
  // Exhausted: the next call restarts, shows nothing new and leaves the counter at 1.
  EXPECT_EQ(clip->nextFrame(), 1);
  EXPECT_EQ(clip->frameIndex, 1);
  EXPECT_EQ(pixelsOf(clip), before);
  // After the restart the first call decodes the second coded picture again: the first I shows.
  EXPECT_EQ(clip->nextFrame(), 2);
  EXPECT_EQ(pixelsOf(clip), expect[0]);
  delete clip;
}

// The file shrinks under the open clip: the decoder meets the end of the sequence before the
// counter reaches frameCount, and the index and the picture stay as they were.
TEST(VideoClip, EndOfStreamBeforeFrameCountKeepsIndexAndPicture) {
  std::string original;
  ASSERT_TRUE(zub::readDataFile(videoFixture("m1_ipb.m1v"), original));
  std::string path = ::testing::TempDir() + "/shrinking.m1v";
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  fwrite(original.data(), 1, original.size(), f);
  fclose(f);
  VideoClip* clip = VideoClip::open(path.c_str());
  ASSERT_EQ(clip->frameCount, 9);
  ASSERT_EQ(truncate(path.c_str(), 6144), 0);  // the decoder holds at most the first 2048 bytes
  int last = clip->frameIndex;
  std::vector<uint32_t> picture;
  bool stuck = false;
  for (int call = 0; call < 12 && !stuck; ++call) {
    std::vector<uint32_t> before = pixelsOf(clip);
    int index = clip->nextFrame();
    if (index == last) {
      stuck = true;
      EXPECT_LT(index, clip->frameCount);
      EXPECT_EQ(pixelsOf(clip), before);
      EXPECT_EQ(clip->nextFrame(), index);  // and stays there
    }
    last = index;
  }
  EXPECT_TRUE(stuck);
  delete clip;
}

TEST(VideoClip, OnePictureClipShowsItsPictureAndHoldsIt) {
  std::string path = videoFixture("m1_one_picture.m1v");
  std::vector<std::vector<uint32_t>> expect = convertedPictures(path);
  ASSERT_EQ(expect.size(), 1u);
  VideoClip* clip = VideoClip::open(path.c_str());
  EXPECT_EQ(clip->frameCount, 0);
  for (int call = 1; call <= 3; ++call) {
    EXPECT_EQ(clip->nextFrame(), 1) << "call " << call;
    EXPECT_EQ(pixelsOf(clip), expect[0]) << "call " << call;
  }
  delete clip;
}

TEST(VideoClip, PixelsHaveTheTopByteClear) {
  VideoClip* clip = VideoClip::open(videoFixture("m2_422_altscan.m2v").c_str());
  clip->nextFrame();
  uint32_t any = 0;
  for (int i = 0; i < clip->width * clip->height; ++i) any |= clip->bitmap->pixels[i];
  EXPECT_EQ(any >> 24, 0u);
  EXPECT_NE(any, 0u);
  delete clip;
}

TEST(VideoClip, MissingFileEndsWithStatus1) {
  EXPECT_EXIT(VideoClip::open("dat\\no_such_clip.mpg"), ::testing::ExitedWithCode(1),
              "Base layer input file dat\\\\no_such_clip.mpg not found");
}

TEST(VideoClip, TransportStreamEndsWithStatus1) {
  EXPECT_EXIT(VideoClip::open(videoFixture("m2_transport.ts").c_str()), ::testing::ExitedWithCode(1),
              "Decoder currently does not parse transport streams");
}

TEST(VideoClip, FileWithoutPictureEndsWithHeaderError) {
  // Only a sequence header and an end code: readHeaders finds no picture.
  BitWriter w;
  writeSequenceHeader(w, 64, 48);
  w.startCode(0x1B7);
  std::string path = ::testing::TempDir() + "/no_picture.m1v";
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  fwrite(w.bytes.data(), 1, w.bytes.size(), f);
  fclose(f);
  EXPECT_EXIT(VideoClip::open(path.c_str()), ::testing::ExitedWithCode(1), "");
  MpegDecoder d;
  d.quiet = true;
  try {
    d.openStream(path.c_str());
    FAIL() << "opened a clip without pictures";
  } catch (const MpegFatal& f) {
    EXPECT_STREQ(f.message, "header error\n");
  }
}

}  // namespace
