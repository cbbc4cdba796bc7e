// Text for the pictures, drawn with FreeType from a font of the system's font package.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/failure.h"

class Bitmap;

namespace assets {

// Loads the font once. Fails when FreeType or the font file is missing.
zub::Failure textInit();

// Colour of a text pixel at (x, y) of the target; lets text carry gradients.
using TextPaint = uint32_t (*)(int x, int y, void* data);

// Draws `text` `pixelSize` tall with its baseline centred on (centreX, baselineY). Coverage blends
// the paint over the target. Returns the text's width in pixels.
int drawTextCentred(Bitmap* target, const std::string& text, int pixelSize, int centreX, int baselineY,
                    uint32_t colour, TextPaint paint = nullptr, void* paintData = nullptr);

struct Point2 {
  double x, y;
};
using Contour = std::vector<Point2>;

// The outlines of `text` in the same font, in ems: y up, the baseline at 0 and the pen starting at
// 0, kerned, each letter `tracking` ems further on. Curves are flattened to within `tolerance`
// ems; every contour is closed implicitly (its last point does not repeat its first). Returns the
// advance of the whole line in ems.
double textOutlines(const std::string& text, double tolerance, double tracking, std::vector<Contour>& contours);

} // namespace assets
