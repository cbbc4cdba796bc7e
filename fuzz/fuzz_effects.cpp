// libFuzzer target: every 2D effect and line operation on pictures of any size (0 to a few
// hundred pixels a side), the scratch images and aliased operands, with arguments that include
// NaN, infinities, huge and negative values. Nothing may crash, hang or trip a sanitizer.
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "quiet_stdout.h"

#include "core/random.h"
#include "image/bitmap.h"

namespace {

// Reads operation codes and arguments from the input; once it runs out everything reads as 0.
class Input {
public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint32_t word() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | byte();
    return v;
  }
  // Mostly the interesting ends of the range, sometimes any 32-bit value.
  int integer() {
    static const int kSpecial[] = {0, 1, -1, 2, 7, 10, 45, 90, 100, 127, 128, 255, 256, 359, 360, 361, 1000,
                                   -360, -1000, 1 << 16, 1 << 30, INT_MAX, INT_MIN, INT_MAX - 1, INT_MIN + 1};
    uint8_t b = byte();
    if (b < 2 * sizeof kSpecial / sizeof kSpecial[0]) return kSpecial[b / 2];
    if (b < 200) return (int8_t)byte();
    return (int)word();
  }
  float real() {
    static const float kSpecial[] = {0.0f,     -0.0f,    1.0f,    -1.0f,  0.5f,    0.999999f, 1.000001f, 2.0f,
                                     100.0f,   360.0f,   1e-30f,  1e30f,  -1e30f,  FLT_MAX,   -FLT_MAX,  NAN,
                                     INFINITY, -INFINITY, 16777216.0f, 2147483648.0f, -2147483648.0f, 0.1f};
    uint8_t b = byte();
    if (b < 2 * sizeof kSpecial / sizeof kSpecial[0]) return kSpecial[b / 2];
    if (b < 180) return (float)(int8_t)byte() * 0.25f;
    uint32_t bits = word();
    float v;
    memcpy(&v, &bits, 4);
    return v;
  }
  // Picture side: mostly tiny (fast, and the 0/1/2 edge cases), sometimes up to a few hundred.
  int side() {
    uint8_t b = byte();
    return b < 200 ? b % 12 : (b - 200) * 6;
  }

private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// A small render size keeps the scratch images (five times its sides) quick to fill.
struct Stage {
  Bitmap bigA{400, 300};
  Bitmap bigB{400, 300};
  Bitmap scratch{80, 60};
};

void resetScratch(Bitmap& big, int w, int h) {
  big.width = w;
  big.height = h;
  big.rowOffsets.reset();
  big.rowOffsetCount = 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Stage* stage = new Stage;
  Stage& ctx = *stage;
  const EffectScratch big{&ctx.bigA, &ctx.bigB};
  zub::demoRandReset();
  resetScratch(ctx.bigA, 80, 60);
  resetScratch(ctx.bigB, 80, 60);
  resetScratch(ctx.scratch, 80, 60);

  Input in(data, size);
  int w = in.side(), h = in.side();
  auto a = std::make_unique<Bitmap>(w, h);
  w = in.side(), h = in.side();
  auto b = std::make_unique<Bitmap>(w, h);
  for (int64_t i = 0, n = (int64_t)a->width * a->height; i < n; ++i) a->pixels[i] = (uint32_t)(i * 2654435761u);
  for (int64_t i = 0, n = (int64_t)b->width * b->height; i < n; ++i) b->pixels[i] = (uint32_t)(i * 40503u);
  Bitmap* operands[] = {a.get(), b.get(), &ctx.bigA, &ctx.bigB, &ctx.scratch};

  for (int op = 0; op < 8 && !in.empty(); ++op) {
    uint8_t code = in.byte();
    Bitmap* src = operands[in.byte() % 5];
    Bitmap* dst = operands[in.byte() % 5];
    switch (code % 31) {
    case 0: src->blit(dst, in.integer(), in.integer()); break;
    case 1: src->blit_centered(dst); break;
    case 2: src->clear(); break;
    case 3: src->draw_border(in.word()); break;
    case 4: src->blit_half(dst, in.integer(), in.integer()); break;
    case 5: src->blit_add(dst, in.integer(), in.integer()); break;
    case 6: src->blit_mix(dst, in.integer(), in.integer(), in.integer()); break;
    case 7: src->blit_ceiling(dst, in.integer(), in.integer(), in.integer(), in.integer(), in.integer()); break;
    case 8: src->mix_colour(in.word(), in.integer()); break;
    case 9: src->invert(); break;
    case 10: src->add_noise(); break;
    case 11: src->strobe(); break;
    case 12: src->make_bumpmap(); break;
    case 13: src->blur_cross(); break;
    case 14: src->blur_horizontal(); break;
    case 15: src->fire(); break;
    case 16: src->edges(in.real(), big); break;
    case 17: src->scale_percent(dst, in.real(), in.real()); break;
    case 18: src->scale_to(dst, in.integer(), in.integer()); break;
    case 19: src->zoom_crop(dst, in.integer(), in.integer()); break;
    case 20: src->zoom_feedback(in.integer(), big); break;
    case 21: {
      int rx = in.integer(), ry = in.integer(), rw = in.integer(), rh = in.integer();
      src->zoom_marked(dst, rx, ry, rw, rh, in.real(), in.word(), big);
      break;
    }
    case 22: {
      int rx = in.integer(), ry = in.integer(), rw = in.integer(), rh = in.integer();
      src->zoom_window(dst, rx, ry, rw, rh, in.real(), big);
      break;
    }
    case 23: src->tile(dst, in.real(), in.real(), big); break;
    case 24: src->wave_horizontal(dst, in.real(), in.real(), in.real()); break;
    case 25: src->wave_vertical(in.real(), in.real(), in.real(), big); break;
    case 26: src->rotate(dst, in.integer()); break;
    case 27: src->swirl(dst, in.integer()); break;
    case 28: src->horizlinescroll(dst, in.real()); break;
    case 29: src->plotPixelAA(in.real(), in.real(), in.word()); break;
    case 30: {
      float x0 = in.real(), y0 = in.real(), x1 = in.real(), y1 = in.real();
      src->drawLineAA(x0, y0, x1, y1, in.word());
      break;
    }
    }
  }
  return 0;
}
