// The scaler that enlarges the frame into a window's pixels where the only renderer is software.
#include <gtest/gtest.h>

#include <vector>

#include "platform/frame_scaler.h"

namespace {

// Widths of the runs of equal source columns along the first picture row.
std::vector<int> columnWidths(const FrameScaler& s, const std::vector<uint32_t>& target) {
  std::vector<int> widths;
  const uint32_t* row = target.data() + (size_t)s.top * s.targetWidth + s.left;
  for (int x = 0; x < s.width; ++x) {
    if (x == 0 || row[x] != row[x - 1]) widths.push_back(0);
    ++widths.back();
  }
  return widths;
}

std::vector<uint32_t> numberedFrame(int w, int h) {
  std::vector<uint32_t> frame((size_t)w * h);
  for (int i = 0; i < w * h; ++i) frame[i] = (uint32_t)i + 1;
  return frame;
}

TEST(FrameScaler, KeepsFourThirdsCentredBetweenBars) {
  FrameScaler s;
  s.layout(320, 240, 1920, 1080, false);
  EXPECT_EQ(s.width, 1440);
  EXPECT_EQ(s.height, 1080);
  EXPECT_EQ(s.left, 240);
  EXPECT_EQ(s.top, 0);
  s.layout(320, 240, 1000, 1000, false);
  EXPECT_EQ(s.width, 1000);
  EXPECT_EQ(s.height, 750);
  EXPECT_EQ(s.top, 125);
}

TEST(FrameScaler, IntegerScaleMakesEveryPixelEquallyWide) {
  std::vector<uint32_t> frame = numberedFrame(320, 240);
  std::vector<uint32_t> target((size_t)1920 * 1080, 0xDEADBEEF);
  FrameScaler s;
  s.layout(320, 240, 1920, 1080, false);
  s.scale(frame.data(), target.data(), 1920 * 4);
  std::vector<int> widths = columnWidths(s, target);
  ASSERT_EQ(widths.size(), 320u);
  EXPECT_EQ(widths[0], 5); // plain nearest at 4.5 times: 5 and 4 alternately
  EXPECT_EQ(widths[1], 4);
  EXPECT_EQ(widths[2], 5);

  s.layout(320, 240, 1920, 1080, true);
  EXPECT_EQ(s.width, 1280);
  EXPECT_EQ(s.height, 960);
  EXPECT_EQ(s.left, 320);
  EXPECT_EQ(s.top, 60);
  s.clearBars(target.data(), 1920 * 4);
  s.scale(frame.data(), target.data(), 1920 * 4);
  for (int w : columnWidths(s, target)) ASSERT_EQ(w, 4);
  // Every target pixel is its source pixel or a bar.
  for (int y = 0; y < 1080; ++y)
    for (int x = 0; x < 1920; ++x) {
      uint32_t p = target[(size_t)y * 1920 + x];
      bool inside = x >= 320 && x < 1600 && y >= 60 && y < 1020;
      uint32_t expected = inside ? frame[(size_t)((y - 60) / 4) * 320 + (x - 320) / 4] : 0;
      ASSERT_EQ(p, expected) << x << "," << y;
    }
}

TEST(FrameScaler, WindowSmallerThanTheFrameStillShowsAllOfIt) {
  std::vector<uint32_t> frame = numberedFrame(320, 240);
  std::vector<uint32_t> target((size_t)160 * 120);
  FrameScaler s;
  s.layout(320, 240, 160, 120, true);
  EXPECT_EQ(s.width, 160);
  EXPECT_EQ(s.height, 120);
  s.scale(frame.data(), target.data(), 160 * 4);
  EXPECT_EQ(target[0], frame[0]);
  EXPECT_EQ(target[119 * 160 + 159], frame[238 * 320 + 318]);
}

TEST(FrameScaler, PitchWiderThanTheRowLeavesThePaddingAlone) {
  std::vector<uint32_t> frame = numberedFrame(320, 240);
  const int pitchWords = 660;
  std::vector<uint32_t> target((size_t)pitchWords * 480, 7);
  FrameScaler s;
  s.layout(320, 240, 640, 480, false);
  s.clearBars(target.data(), pitchWords * 4);
  s.scale(frame.data(), target.data(), pitchWords * 4);
  for (int y = 0; y < 480; ++y) {
    EXPECT_EQ(target[(size_t)y * pitchWords + 639], frame[(size_t)(y / 2) * 320 + 319]);
    for (int x = 640; x < pitchWords; ++x) ASSERT_EQ(target[(size_t)y * pitchWords + x], 7u);
  }
}

} // namespace
