#include "text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include "image/bitmap.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace assets {

namespace {

FT_Library library = nullptr;
FT_Face face = nullptr;
#ifdef _WIN32
// The Windows release carries the font beside the programs.
std::string fontFile() {
  char exe[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string path(exe, n > 0 && n < MAX_PATH ? n : 0);
  size_t slash = path.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "DejaVuSans-Bold.ttf";
}
const char* fontHint = " (it belongs beside zubassets.exe)";
#else
std::string fontFile() { return "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"; }
const char* fontHint = " (Debian package fonts-dejavu-core)";
#endif

uint32_t blend(uint32_t under, uint32_t over, int coverage) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    int a = (under >> shift) & 0xFF, b = (over >> shift) & 0xFF;
    out |= (uint32_t)((a * (255 - coverage) + b * coverage + 127) / 255) << shift;
  }
  return out;
}

// Width of `text` in pixels at the current size.
int measure(const std::string& text) {
  int width = 0;
  for (unsigned char c : text) {
    if (FT_Load_Char(face, c, FT_LOAD_DEFAULT) == 0) width += (int)(face->glyph->advance.x >> 6);
  }
  return width;
}

} // namespace

zub::Failure textInit() {
  if (face) return {};
  if (FT_Init_FreeType(&library) != 0) return zub::failure(1, "cannot start FreeType\n");
  std::string fontPath = fontFile();
  if (FT_New_Face(library, fontPath.c_str(), 0, &face) != 0)
    return zub::failure(1, "cannot load the font %s%s\n", fontPath.c_str(), fontHint);
  return {};
}

int drawTextCentred(Bitmap* target, const std::string& text, int pixelSize, int centreX, int baselineY,
                    uint32_t colour, TextPaint paint, void* paintData) {
  FT_Set_Pixel_Sizes(face, 0, (FT_UInt)pixelSize);
  int width = measure(text);
  int penX = centreX - width / 2;
  for (unsigned char c : text) {
    if (FT_Load_Char(face, c, FT_LOAD_RENDER) != 0) continue;
    FT_GlyphSlot g = face->glyph;
    for (unsigned row = 0; row < g->bitmap.rows; ++row)
      for (unsigned col = 0; col < g->bitmap.width; ++col) {
        int coverage = g->bitmap.buffer[row * g->bitmap.pitch + col];
        int x = penX + g->bitmap_left + (int)col, y = baselineY - g->bitmap_top + (int)row;
        if (coverage == 0 || x < 0 || y < 0 || x >= target->width || y >= target->height) continue;
        uint32_t& p = target->pixels[y * target->width + x];
        p = blend(p, paint ? paint(x, y, paintData) : colour, coverage);
      }
    penX += (int)(g->advance.x >> 6);
  }
  return width;
}

} // namespace assets
