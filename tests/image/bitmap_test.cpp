// Blank bitmaps, the opaque blit and its clipping rule, and the small whole-image operations.
#include <gtest/gtest.h>

#include "image/bitmap.h"

namespace {

// A w x h bitmap whose pixel (x, y) holds 0x10000 * (y + 1) + x + 1.
Bitmap* numbered(int w, int h) {
  Bitmap* b = new Bitmap(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b->pixels[y * w + x] = 0x10000u * (y + 1) + x + 1;
  return b;
}

int changedPixels(const Bitmap& b, uint32_t background) {
  int n = 0;
  for (int i = 0; i < b.width * b.height; ++i) n += b.pixels[i] != background;
  return n;
}

TEST(Bitmap, BlankBitmapIsBlackAndPrintsItsAllocation) {
  testing::internal::CaptureStdout();
  Bitmap b(320, 240);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Allocated bitmap: 320 x 240 x 32 \n");
  EXPECT_EQ(b.capacity, 307200);
  EXPECT_EQ(b.bitsPerPixel, 32);
  EXPECT_EQ(b.name, "[None]");
  EXPECT_EQ(b.description, "Untitled");
  EXPECT_EQ(b.rowOffsets, nullptr);
  EXPECT_EQ(changedPixels(b, 0), 0);
}

TEST(Bitmap, SerialsFollowConstructionOrder) {
  Bitmap a(1, 1), b(2, 2);
  EXPECT_EQ(b.serial, a.serial + 1);
}

TEST(Bitmap, AnImpossibleSizeReportsTheAllocationFailureAndAnnouncesNothing) {
  testing::internal::CaptureStdout();
  Bitmap huge(70000, 70000);
  Bitmap negative(-1, 4);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  for (const Bitmap* b : {&huge, &negative}) {
    EXPECT_FALSE(b->ok());
    EXPECT_EQ(b->failure.status, 1);
    EXPECT_EQ(b->failure.message, "Error: orv_Bitmap allocation\n");
    EXPECT_EQ(b->pixels, nullptr);
    EXPECT_EQ(b->width * b->height, 0);  // an operation called on it anyway touches nothing
  }
  EXPECT_TRUE(Bitmap(0, 0).ok());
}

TEST(Blit, ClipsAtEveryEdge) {
  Bitmap* src = numbered(4, 3);
  Bitmap dst(10, 8);
  src->blit(&dst, -4, 0); // just left of the destination
  src->blit(&dst, 10, 0); // just right
  src->blit(&dst, 0, -3);
  src->blit(&dst, 0, 8);
  EXPECT_EQ(changedPixels(dst, 0), 0);

  src->blit(&dst, 9, 0); // one column
  EXPECT_EQ(changedPixels(dst, 0), 3);
  EXPECT_EQ(dst.pixels[9], 0x10001u);
  EXPECT_EQ(dst.pixels[2 * 10 + 9], 0x30001u);

  dst.clear();
  src->blit(&dst, 2, -1); // source rows from 1 on land in destination rows from 0
  EXPECT_EQ(dst.pixels[2], 0x20001u);
  EXPECT_EQ(dst.pixels[10 + 5], 0x30004u);
  EXPECT_EQ(changedPixels(dst, 0), 8);
  delete src;
}

// Onto itself the pairs are taken in their order, rows from the top, each from the left, so a
// pixel copied earlier is read again: a shift right or down smears, a shift left or up moves.
TEST(Blit, OntoItselfFollowsThePairOrder) {
  const uint32_t row0[] = {0x10001, 0x10002, 0x10003, 0x10004}, row1[] = {0x20001, 0x20002, 0x20003, 0x20004};
  Bitmap* b = numbered(4, 2);
  b->blit(b, 1, 0);
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(b->pixels[x], row0[0]) << x;
    EXPECT_EQ(b->pixels[4 + x], row1[0]) << x;
  }
  delete b;

  b = numbered(4, 2);
  b->blit(b, -1, 0);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(b->pixels[x], row0[x < 3 ? x + 1 : 3]) << x;
  delete b;

  b = numbered(4, 3);
  b->blit(b, 0, 1);  // row 1 takes row 0, then row 2 takes the new row 1
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b->pixels[y * 4 + x], row0[x]) << x << "," << y;
  delete b;
}

TEST(Blit, SourceLargerThanDestinationShowsOnlyWhatFits) {
  Bitmap* src = numbered(5, 5);
  Bitmap dst(2, 2);
  src->blit(&dst, -1, -2);
  EXPECT_EQ(dst.pixels[0], 0x30002u);
  EXPECT_EQ(dst.pixels[1], 0x30003u);
  EXPECT_EQ(dst.pixels[2], 0x40002u);
  EXPECT_EQ(dst.pixels[3], 0x40003u);
  delete src;
}

TEST(BlitCentered, CentresWithDivisionTowardZero) {
  Bitmap* same = numbered(320, 240);
  Bitmap dst(320, 240);
  same->blit_centered(&dst);
  EXPECT_EQ(memcmp(dst.pixels, same->pixels, 320 * 240 * 4), 0);

  Bitmap* wide = numbered(321, 240);
  wide->blit_centered(&dst); // (320 - 321) / 2 = 0
  EXPECT_EQ(dst.pixels[0], 0x10001u);
  EXPECT_EQ(dst.pixels[319], 0x10000u + 320);

  Bitmap* small = numbered(2, 2);
  Bitmap odd(5, 5);
  small->blit_centered(&odd); // at (1, 1)
  EXPECT_EQ(odd.pixels[1 * 5 + 1], 0x10001u);
  EXPECT_EQ(odd.pixels[2 * 5 + 2], 0x20002u);
  delete same;
  delete wide;
  delete small;
}

TEST(DrawBorder, FramesTheImageWithTheWholeColourWord) {
  Bitmap one(1, 1);
  one.draw_border(0xAB123456);
  EXPECT_EQ(one.pixels[0], 0xAB123456u);

  Bitmap b(4, 3);
  b.draw_border(0xFF);
  const uint32_t expected[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(b.pixels[i], expected[i]) << i;
  b.clear();
  EXPECT_EQ(changedPixels(b, 0), 0);
}

TEST(Bitmap, BorrowedPixelsAreNeverFreed) {
  uint32_t memory[4] = {1, 2, 3, 4};
  {
    Bitmap b(2, 2);
    b.borrowPixels(memory);
    b.clear();
  } // destroying b must leave `memory` alone (ASan would report a bad free)
  EXPECT_EQ(memory[3], 0u);
}

} // namespace
