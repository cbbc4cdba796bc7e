// Blends and colour operations, checked to the bit on chosen pixel values.
#include <gtest/gtest.h>

#include <type_traits>

#include "image/bitmap.h"
#include "core/random.h"

namespace {

Bitmap* filled(int w, int h, uint32_t colour) {
  Bitmap* b = new Bitmap(w, h);
  for (int i = 0; i < w * h; ++i) b->pixels[i] = colour;
  return b;
}

// One-pixel blend of d (destination) and s (source) through `op`.
template <typename Op>
uint32_t blendOne(uint32_t d, uint32_t s, Op op) {
  Bitmap dst(1, 1), src(1, 1);
  dst.pixels[0] = d;
  src.pixels[0] = s;
  op(src, dst);
  return dst.pixels[0];
}

TEST(BlitHalf, AveragesEachChannelRoundingDown) {
  auto half = [](Bitmap& s, Bitmap& d) { s.blit_half(&d, 0, 0); };
  EXPECT_EQ(blendOne(0xFFFFFF, 0xFFFFFF, half), 0xFEFEFEu);
  EXPECT_EQ(blendOne(0x010203, 0x030303, half), 0x010202u);
  EXPECT_EQ(blendOne(0xFF000000, 0xFF000000, half), 0u); // top bytes never reach the result
}

TEST(BlitAdd, SaturatesPerChannelAndSkipsZeroSourceWords) {
  auto add = [](Bitmap& s, Bitmap& d) { s.blit_add(&d, 0, 0); };
  EXPECT_EQ(blendOne(0x80F010, 0x90200F, add), 0xFFFF1Fu);
  EXPECT_EQ(blendOne(0xAB102030, 0x00000000, add), 0xAB102030u); // untouched, top byte kept
  EXPECT_EQ(blendOne(0xAB102030, 0x01000000, add), 0x102030u);   // any non-zero word clears it
}

TEST(BlitMix, WeightsDestinationByTAndSourceBy255MinusT) {
  auto mix = [](int t) { return [t](Bitmap& s, Bitmap& d) { s.blit_mix(&d, 0, 0, t); }; };
  EXPECT_EQ(blendOne(0xFFFFFF, 0x123456, mix(255)), 0xFEFEFEu);
  // t = 0: the source scaled by 255/256: 0xFF -> 0xFE, 0x80 -> 0x7F
  EXPECT_EQ(blendOne(0x000000, 0xFF8001, mix(0)), 0xFE7F00u);
  EXPECT_EQ(blendOne(0x000000, 0xFF8001, mix(256)), 0xFE7F00u);
  // Red and green round once, blue per term. d = s = 0x818181, t = 128:
  // red = (129*128 + 129*127) >> 8 = 128, blue = (129*128 >> 8) + (129*127 >> 8) = 64 + 63 = 127.
  EXPECT_EQ(blendOne(0x818181, 0x818181, mix(128)), 0x80807Fu);
  EXPECT_EQ(blendOne(0x7F7F7F, 0x7F7F7F, mix(128)), 0x7E7E7Eu);
  EXPECT_EQ(blendOne(0x010101, 0x010101, mix(200)), 0x000000u);
}

TEST(BlitCeiling, LimitsEachChannelAndIgnoresTheDestination) {
  auto ceil = [](int r, int g, int b) { return [=](Bitmap& s, Bitmap& d) { s.blit_ceiling(&d, 0, 0, r, g, b); }; };
  EXPECT_EQ(blendOne(0x777777, 0xFF123456, ceil(255, 255, 255)), 0x123456u);
  EXPECT_EQ(blendOne(0x777777, 0xFFFFFF, ceil(0x10, 0x20, 0x30)), 0x102030u);
  EXPECT_EQ(blendOne(0x777777, 0xFFFFFF, ceil(0x110, 256, -1)), 0x1000FFu); // limits modulo 256
}

TEST(Blends, FollowTheBlitClippingRule) {
  Bitmap* src = filled(3, 3, 0x010101);
  Bitmap* dst = filled(4, 4, 0x101010);
  src->blit_add(dst, 2, -1);
  int changed = 0;
  for (int i = 0; i < 16; ++i) changed += dst->pixels[i] == 0x111111;
  EXPECT_EQ(changed, 4); // columns 2..3, rows 0..1
  EXPECT_EQ(dst->pixels[2], 0x111111u);
  EXPECT_EQ(dst->pixels[1 * 4 + 3], 0x111111u);
  EXPECT_EQ(dst->pixels[2 * 4 + 2], 0x101010u);
  delete src;
  delete dst;
}

TEST(MixColour, MovesTowardTheColour) {
  Bitmap* b = filled(2, 2, 0x8040C0);
  b->mix_colour(0x000000, 255);
  EXPECT_EQ(b->pixels[3], 0u);
  Bitmap* w = filled(1, 1, 0x000000);
  w->mix_colour(0xFFFFFF, 255);
  EXPECT_EQ(w->pixels[0], 0xFEFEFEu);
  Bitmap* d = filled(1, 1, 0xFFFFFF);
  d->mix_colour(0x840000, 0); // k = 0 only darkens by 255/256
  EXPECT_EQ(d->pixels[0], 0xFEFEFEu);
  Bitmap* r = filled(1, 1, 0x000000);
  r->mix_colour(0x840000, 255);
  EXPECT_EQ(r->pixels[0], 0x830000u);
  delete b;
  delete w;
  delete d;
  delete r;
}

TEST(Invert, FlipsAll32BitsAndTwiceRestores) {
  Bitmap* b = filled(2, 1, 0x123456);
  b->pixels[1] = 0xAB000000;
  b->invert();
  EXPECT_EQ(b->pixels[0], 0xFFEDCBA9u);
  EXPECT_EQ(b->pixels[1], 0x54FFFFFFu);
  b->invert();
  EXPECT_EQ(b->pixels[0], 0x123456u);
  EXPECT_EQ(b->pixels[1], 0xAB000000u);
  delete b;
}

TEST(AddNoise, AveragesWithOneRandomGreyPerPixelFromTheSharedGenerator) {
  Bitmap* b = filled(3, 1, 0xFFFFFF);
  zub::demoRandReset();
  b->add_noise();
  // rand() gives 41, 18467, 6334: low bytes 0x29, 0x23, 0xBE, halved 0x14, 0x11, 0x5F
  EXPECT_EQ(b->pixels[0], 0x7F7F7Fu + 0x141414u);
  EXPECT_EQ(b->pixels[1], 0x7F7F7Fu + 0x111111u);
  EXPECT_EQ(b->pixels[2], 0x7F7F7Fu + 0x5F5F5Fu);
  EXPECT_EQ(zub::demoRand(), 26500); // exactly one draw per pixel
  delete b;
}

TEST(Strobe, WashesOutEverySecondCallSharedAcrossBitmaps) {
  Bitmap* black = filled(1, 1, 0x000000);
  Bitmap* white = filled(1, 1, 0xFFFFFF);
  Bitmap* other = filled(1, 1, 0x000000);
  // Bring the process-wide flag (set at start) to "set", whatever ran before in this process.
  Bitmap probe(1, 1);
  probe.strobe();
  if (probe.pixels[0] != 0) probe.strobe();
  black->strobe();
  EXPECT_EQ(black->pixels[0], 0xBFBFBFu);
  white->strobe(); // the flag is shared: this call is the quiet one
  EXPECT_EQ(white->pixels[0], 0xFFFFFFu);
  white->strobe();
  EXPECT_EQ(white->pixels[0], 0xFEFEFDu);
  other->strobe();
  EXPECT_EQ(other->pixels[0], 0u);
  // c = 0x40: 63 * 64 = 4032, 4032 >> 8 = 15, low byte 192 -> red and green one higher
  Bitmap* mid = filled(1, 1, 0x404040);
  mid->strobe();
  EXPECT_EQ(mid->pixels[0], 0xCFCFCEu);
  delete black;
  delete white;
  delete other;
  delete mid;
}

// A bump map owns its heights: a copy would free them twice, so there is none.
static_assert(!std::is_copy_constructible_v<BumpMap> && std::is_move_constructible_v<BumpMap>);

TEST(MakeBumpmap, HeightsAreTheChannelAverageMinus127Wrapping) {
  Bitmap* b = filled(3, 2, 0x808080);
  b->pixels[1] = 0x000000;
  b->pixels[2] = 0xFFFFFF;
  b->pixels[3] = 0x0000FE; // (254) / 3 = 84
  BumpMap bump = b->make_bumpmap();
  EXPECT_EQ(bump.width, 3);
  EXPECT_EQ(bump.height, 2);
  EXPECT_EQ(bump.bias, 32);
  EXPECT_EQ(bump.scale, 128);
  EXPECT_EQ(bump.data[0], 1);
  EXPECT_EQ(bump.data[1], -127);
  EXPECT_EQ(bump.data[2], -128);
  EXPECT_EQ(bump.data[3], 84 - 127);
  EXPECT_EQ(b->pixels[0], 0x808080u); // the picture is not changed
  delete b;
}

} // namespace
