// Bitmap: the one image type. 32-bit pixels 0x00RRGGBB (blue in the low byte, top byte not alpha),
// row-major, top row first, no padding. Every 2D effect is a member operation called on the source.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/failure.h"

struct BumpMap;
class Bitmap;

// The two large pictures some effects build their intermediates in (each with room for five times
// the render size in both directions). Borrowed for the call only; owned by whoever runs effects.
struct EffectScratch {
  Bitmap* a = nullptr;
  Bitmap* b = nullptr;
};

// Frees a Bitmap's own pixel array the way it was allocated: zeroed by the C allocator (a blank
// picture), or by new[] (a decoded file).
struct PixelRelease {
  bool zeroed = false;
  void operator()(uint32_t* pixels) const {
    if (zeroed) std::free(pixels);
    else delete[] pixels;
  }
};

class Bitmap {
public:
  std::string name;          // picture: the path it was loaded from; blank: "[None]"
  std::string description;   // "Untitled"
  int32_t serial = 0;        // from the process-wide counter, in construction order
  int32_t width = 0;         // pixels
  int32_t height = 0;        // pixels
  uint32_t* pixels = nullptr;// width x height words: storage's, or memory borrowed from the display
  std::unique_ptr<uint32_t[], PixelRelease> storage; // the pixel array this Bitmap allocated; null once it borrows
  int32_t capacity = 0;      // size of the pixel array in bytes
  int8_t bitsPerPixel = 32;  // 32, or a TGA file's pixel depth byte (informational)
  std::unique_ptr<int32_t[]> rowOffsets; // per-row start offsets of horizlinescroll, made on its first call
  int32_t rowOffsetCount = 0;    // rows in rowOffsets: the height at that first call
  bool rowOffsetsDrawn = false;  // the offsets are drawn at the first call, also when the table was reserved
  zub::Failure failure;      // why construction failed; the Bitmap then has no pixels

  // Blank picture of width x height black pixels; prints "Allocated bitmap: ...". When the pixel
  // array cannot be allocated, failure holds "Error: orv_Bitmap allocation" (status 1).
  Bitmap(int32_t width, int32_t height);
  // Picture loaded from a JPEG or (names containing ".tga") TGA file; falls back to "default.jpg".
  // A file that cannot be read or decoded leaves failure set with the demo's message and status.
  explicit Bitmap(const char* path);
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  // True when construction succeeded; otherwise failure says why.
  bool ok() const { return !failure; }

  // Points the Bitmap at memory it does not own (the locked display buffer); its own array is freed.
  void borrowPixels(uint32_t* memory);
  // True while the pixels are memory the Bitmap does not own (the screen).
  bool borrowsPixels() const { return pixels != storage.get(); }

  // ---- whole-image operations and the opaque blit ----
  void blit(Bitmap* dst, int x, int y);
  void blit_centered(Bitmap* dst);
  void clear();
  void draw_border(uint32_t colour);

  // ---- blends and colour operations ----
  void blit_half(Bitmap* dst, int x, int y);
  void blit_add(Bitmap* dst, int x, int y);
  void blit_mix(Bitmap* dst, int x, int y, int t);
  void blit_ceiling(Bitmap* dst, int x, int y, int r, int g, int b);
  void mix_colour(uint32_t colour, int t);
  void invert();
  void add_noise();
  void strobe();
  // The strobe's phase back to that of a fresh process, for a timeline built anew.
  static void strobeReset();
  // Its phase, kept with a scene's mark and put back when the timeline returns there.
  static bool strobePhase();
  static void strobeRestore(bool phase);
  // A bump map of this picture; when its heights cannot be allocated it has none and says why in failure.
  BumpMap make_bumpmap();

  // ---- neighbourhood filters, resampling, zooms, distortions, lines (src/effects, src/render) ----
  // Decaying blurs, in place; each pass also clears the one-pixel border.
  void blur_cross();
  void blur_horizontal();
  void fire();
  // Edge image (through scratch.a) scaled by gain, replacing this picture.
  void edges(float gain, const EffectScratch& scratch);

  // Nearest-neighbour resampling into dst and the zooms built on it; scratch.a and scratch.b hold
  // the intermediates. Each does nothing when a scratch image or dst cannot hold the result.
  void scale_percent(Bitmap* dst, float px, float py);
  void scale_to(Bitmap* dst, int newW, int newH);
  void zoom_crop(Bitmap* dst, int mx, int my);
  void zoom_feedback(int k, const EffectScratch& scratch);
  void zoom_marked(Bitmap* dst, int rx, int ry, int rw, int rh, float t, uint32_t colour, const EffectScratch& scratch);
  void zoom_window(Bitmap* dst, int rx, int ry, int rw, int rh, float t, const EffectScratch& scratch);
  void tile(Bitmap* dst, float a, float b, const EffectScratch& scratch);

  // Distortions: pixels move, colours stay. rotate, swirl and horizlinescroll address dst with
  // this picture's width; none writes past dst's pixels.
  void wave_horizontal(Bitmap* dst, float freq, float amp, float phase);
  void wave_vertical(float freq, float amp, float phase, const EffectScratch& scratch);
  void rotate(Bitmap* dst, int angle);
  void swirl(Bitmap* dst, int amount);
  // Its first call only draws each row's random offset; fails when that table cannot be made.
  zub::Failure horizlinescroll(Bitmap* dst, float t);
  // Makes horizlinescroll's table now, for this height, so that the scroll itself cannot fail; the
  // offsets are still drawn by its first call, at the same place in the random sequence.
  zub::Failure reserveLineScroll();

  // Anti-aliased drawing in colour over this picture (src/render/lines.cpp); the last column and
  // row are never written.
  void plotPixelAA(float x, float y, uint32_t colour);
  void drawLineAA(float x0, float y0, float x1, float y1, uint32_t colour);

private:
  zub::Failure load_tga();
  // Takes `array` as the Bitmap's own pixels.
  void adoptPixels(std::unique_ptr<uint32_t[]> array);
};

// Signed 8-bit heights made from a picture; read by the bump-lit rasterizer. Owns its heights, so
// it moves but never copies.
struct BumpMap {
  int32_t width = 0;
  int32_t height = 0;
  std::unique_ptr<int8_t[]> data; // width x height heights, row-major like the picture
  int32_t bias = 32;
  int32_t scale = 128;
  zub::Failure failure;    // why the heights could not be made; data is then null
};

// Next serial number of the process-wide counter shared by every Bitmap constructor.
int32_t nextBitmapSerial();

// Pixel array from a JPEG file (libjpeg, RGB output) into `pixels`. On failure nothing is kept and
// the result says why; a library error has already printed the library's own message.
zub::Failure load_jpeg(const char* path, std::unique_ptr<uint32_t[]>& pixels, int32_t* width, int32_t* height);
// The same decoding from memory without ending the process: null when the data is not a JPEG the
// library can decode to RGB or holds more than maxPixels pixels. Silent; used by tests and fuzzing.
std::unique_ptr<uint32_t[]> decodeJpegBytes(const uint8_t* bytes, size_t length, int64_t maxPixels, int32_t* width,
                                            int32_t* height);
