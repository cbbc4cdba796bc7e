// A small 5 x 7 pixel font of our own, for labels the tools draw (test cards, contact sheets).
// Letters are drawn as capitals; characters without a glyph draw as blanks.
#pragma once
#include <cstdint>

class Bitmap;

namespace zub {

const int glyphWidth = 5, glyphHeight = 7, glyphAdvance = 6;

// Draws `text` with its top-left corner at (x, y), each font pixel a scale x scale block, clipped
// to the bitmap. Returns the width drawn in pixels.
int drawText(Bitmap* target, int x, int y, const char* text, uint32_t colour, int scale = 1);
// The same into bare pixels (width x height, rows width apart).
int drawText(uint32_t* pixels, int width, int height, int x, int y, const char* text, uint32_t colour, int scale = 1);

} // namespace zub
