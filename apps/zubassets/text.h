// Text for the pictures, drawn with FreeType from a font of the system's font package.
#pragma once
#include <cstdint>
#include <string>

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

} // namespace assets
