// VideoClip: counting pass, frame order, the restart rule, clips playing side by side, and the
// failures it reports.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <memory>
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

// A copy of `bytes` as a file of the test's own, for clips whose file the test changes.
std::string writeTempFile(const std::string& name, const void* bytes, size_t size) {
  std::string path = ::testing::TempDir() + "/" + name;
  FILE* f = fopen(path.c_str(), "wb");
  EXPECT_TRUE(f) << path;
  if (f) {
    fwrite(bytes, 1, size, f);
    fclose(f);
  }
  return path;
}

// A copy of a fixture stream under `name`.
std::string copyOfFixture(const std::string& fixture, const std::string& name) {
  std::string bytes;
  EXPECT_TRUE(zub::readDataFile(videoFixture(fixture), bytes));
  return writeTempFile(name, bytes.data(), bytes.size());
}

// A clip that opens; a failure shows the decoder's reason.
std::unique_ptr<VideoClip> openClip(const std::string& path) {
  MpegFatal failure;
  std::unique_ptr<VideoClip> clip = VideoClip::open(path.c_str(), failure);
  EXPECT_TRUE(clip) << path << ": " << failure.message;
  return clip;
}

// The reason a clip cannot be opened, or "" when it opens.
MpegFatal openFailure(const std::string& path) {
  MpegFatal failure;
  std::unique_ptr<VideoClip> clip = VideoClip::open(path.c_str(), failure);
  if (clip) return MpegFatal{};
  return failure;
}

TEST(VideoClip, FrameCountIsOneLessThanThePictureHeaders) {
  std::unique_ptr<VideoClip> clip = openClip(videoFixture("m1_ipb.m1v"));
  ASSERT_TRUE(clip);
  EXPECT_EQ(clip->frameCount, 9);  // ten picture headers
  EXPECT_EQ(clip->width, 144);
  EXPECT_EQ(clip->height, 112);
  EXPECT_EQ(clip->frameIndex, 0);
}

TEST(VideoClip, WidthIsCodedWidthAndRowsUseTheBitmapStride) {
  std::unique_ptr<VideoClip> clip = openClip(videoFixture("m1_odd_size.m1v"));
  ASSERT_TRUE(clip);
  EXPECT_EQ(clip->width, 112);
  EXPECT_EQ(clip->height, 70);
  clip->nextFrame();
  std::vector<std::vector<uint32_t>> expect = convertedPictures(videoFixture("m1_odd_size.m1v"));
  EXPECT_EQ(pixelsOf(clip.get()), expect[0]);
  // Columns beyond the horizontal size stay as the bitmap was made: black.
  for (int y = 0; y < clip->height; ++y) ASSERT_EQ(clip->bitmap->pixels[y * clip->width + 105], 0u);
}

// Played seen, and again with every call but the fourth unseen (decoded, not converted): a seen
// call shows its own picture, and the restart goes on showing the last one either way.
TEST(VideoClip, PlaysInDisplayOrderThenRestartsAndRepeats_AlsoAfterUnseenCalls) {
  std::string path = videoFixture("m1_ipb.m1v");
  std::vector<std::vector<uint32_t>> expect = convertedPictures(path);
  for (bool unseenBetween : {false, true}) {
    SCOPED_TRACE(unseenBetween ? "unseen calls between" : "every call seen");
    std::unique_ptr<VideoClip> clip = openClip(path);
    ASSERT_TRUE(clip);
    // open decoded picture 1; calls 1 .. 8 decode pictures 2 .. 9 and show pictures 1 .. 8.
    for (int call = 1; call <= 8; ++call) {
      clip->unseen = unseenBetween && call != 4;
      EXPECT_EQ(clip->nextFrame(), call + 1);
      if (!clip->unseen) {
        EXPECT_EQ(pixelsOf(clip.get()), expect[call - 1]) << "call " << call;
      }
    }
    clip->unseen = false;
    // Exhausted: the next call restarts, shows nothing new and leaves the counter at 1.
    EXPECT_EQ(clip->nextFrame(), 1);
    EXPECT_EQ(clip->frameIndex, 1);
    EXPECT_EQ(pixelsOf(clip.get()), expect[7]);
    // After the restart the first call decodes the second coded picture again: the first I shows.
    EXPECT_EQ(clip->nextFrame(), 2);
    EXPECT_EQ(pixelsOf(clip.get()), expect[0]);
  }
}

// The file shrinks under the open clip: the decoder meets the end of the sequence before the
// counter reaches frameCount, and the index and the picture stay as they were.
TEST(VideoClip, EndOfStreamBeforeFrameCountKeepsIndexAndPicture) {
  std::string path = copyOfFixture("m1_ipb.m1v", "shrinking.m1v");
  std::unique_ptr<VideoClip> clip = openClip(path);
  ASSERT_TRUE(clip);
  ASSERT_EQ(clip->frameCount, 9);
  ASSERT_EQ(truncate(path.c_str(), 6144), 0);  // the decoder holds at most the first 2048 bytes
  int last = clip->frameIndex;
  std::vector<uint32_t> picture;
  bool stuck = false;
  for (int call = 0; call < 12 && !stuck; ++call) {
    std::vector<uint32_t> before = pixelsOf(clip.get());
    int index = clip->nextFrame();
    if (index == last) {
      stuck = true;
      EXPECT_LT(index, clip->frameCount);
      EXPECT_EQ(pixelsOf(clip.get()), before);
      EXPECT_EQ(clip->nextFrame(), index);  // and stays there
    }
    last = index;
  }
  EXPECT_TRUE(stuck);
}

TEST(VideoClip, OnePictureClipShowsItsPictureAndHoldsIt) {
  std::string path = videoFixture("m1_one_picture.m1v");
  std::vector<std::vector<uint32_t>> expect = convertedPictures(path);
  ASSERT_EQ(expect.size(), 1u);
  std::unique_ptr<VideoClip> clip = openClip(path);
  ASSERT_TRUE(clip);
  EXPECT_EQ(clip->frameCount, 0);
  for (int call = 1; call <= 3; ++call) {
    EXPECT_EQ(clip->nextFrame(), 1) << "call " << call;
    EXPECT_EQ(pixelsOf(clip.get()), expect[0]) << "call " << call;
  }
}

TEST(VideoClip, PixelsHaveTheTopByteClear) {
  std::unique_ptr<VideoClip> clip = openClip(videoFixture("m2_422_altscan.m2v"));
  ASSERT_TRUE(clip);
  clip->nextFrame();
  uint32_t any = 0;
  for (int i = 0; i < clip->width * clip->height; ++i) any |= clip->bitmap->pixels[i];
  EXPECT_EQ(any >> 24, 0u);
  EXPECT_NE(any, 0u);
}

TEST(VideoClip, FailuresAreReportedWithTheDecodersMessageAndPrintNothing) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  MpegFatal missing = openFailure("dat\\no_such_clip.mpg");
  MpegFatal transport = openFailure(videoFixture("m2_transport.ts"));
  std::string printed = testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
  EXPECT_EQ(missing.message, "Base layer input file dat\\no_such_clip.mpg not found\n");
  EXPECT_FALSE(missing.toStdout);
  EXPECT_EQ(transport.message, "Decoder currently does not parse transport streams\n");
  EXPECT_FALSE(transport.toStdout);
  EXPECT_EQ(printed, "");
}

TEST(VideoClip, FileWithoutPictureFailsWithHeaderErrorForStandardOutput) {
  // Only a sequence header and an end code: readHeaders finds no picture.
  BitWriter w;
  writeSequenceHeader(w, 64, 48);
  w.startCode(0x1B7);
  std::string path = writeTempFile("no_picture.m1v", w.bytes.data(), w.bytes.size());
  MpegFatal failure = openFailure(path);
  EXPECT_EQ(failure.message, "header error\n");
  EXPECT_TRUE(failure.toStdout);
}

// Each clip has its own decoder: two clips played in step, even of different streams, show the
// same pictures as each played alone.
TEST(VideoClip, TwoOpenClipsDecodeIndependently) {
  std::string first = videoFixture("m1_ipb.m1v"), second = videoFixture("m2_i420_ipb.m2v");
  std::vector<std::vector<uint32_t>> alone[2];
  const std::string* paths[2] = {&first, &second};
  for (int c = 0; c < 2; ++c) {
    std::unique_ptr<VideoClip> clip = openClip(*paths[c]);
    ASSERT_TRUE(clip);
    for (int call = 0; call < 24; ++call) {
      clip->nextFrame();
      alone[c].push_back(pixelsOf(clip.get()));
    }
  }
  std::unique_ptr<VideoClip> a = openClip(first), b = openClip(second), again = openClip(first);
  ASSERT_TRUE(a && b && again);
  for (int call = 0; call < 24; ++call) {
    a->nextFrame();
    b->nextFrame();
    ASSERT_EQ(pixelsOf(a.get()), alone[0][call]) << "call " << call;
    ASSERT_EQ(pixelsOf(b.get()), alone[1][call]) << "call " << call;
    // The second clip of the same stream starts later and runs one step behind.
    if (call == 0) continue;
    again->nextFrame();
    ASSERT_EQ(pixelsOf(again.get()), alone[0][call - 1]) << "call " << call;
  }
}

// A clip whose file disappears while it plays stops on its last picture and says why; it neither
// ends the process nor decodes further.
TEST(VideoClip, FailureDuringPlaybackHoldsThePictureAndKeepsTheReason) {
  std::string path = copyOfFixture("m1_ipb.m1v", "vanishing.m1v");
  std::unique_ptr<VideoClip> clip = openClip(path);
  ASSERT_TRUE(clip);
  ASSERT_EQ(unlink(path.c_str()), 0);
  // The open file plays to its end; the restart reopens it by name and fails.
  int index = 0;
  for (int call = 0; call < 20 && !clip->failed; ++call) index = clip->nextFrame();
  ASSERT_TRUE(clip->failed);
  EXPECT_EQ(clip->failure.message, "Base layer input file " + path + " not found\n");
  std::vector<uint32_t> held = pixelsOf(clip.get());
  EXPECT_EQ(clip->nextFrame(), index);
  EXPECT_EQ(pixelsOf(clip.get()), held);
}

}  // namespace
