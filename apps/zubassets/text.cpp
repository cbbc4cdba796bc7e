#include "text.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>

#include "image/bitmap.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace assets {

namespace {

FT_Library library = nullptr;
// One geometric face for every word the demo shows, from the title card to the lettering of its
// objects, so that the whole reads as one piece.
FT_Face face = nullptr;
#ifdef _WIN32
// The Windows release carries the font beside the programs.
std::string fontFile() {
  char exe[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string path(exe, n > 0 && n < MAX_PATH ? n : 0);
  size_t slash = path.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "LeagueSpartan-Bold.otf";
}
const char* fontHint = " (it belongs beside zubassets.exe)";
#else
std::string fontFile() { return "/usr/share/fonts/opentype/league-spartan/LeagueSpartan-Bold.otf"; }
const char* fontHint = " (Debian package fonts-league-spartan)";
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

// Collects one glyph's contours while FreeType walks its outline, flattening the curves.
struct OutlineWalk {
  std::vector<Contour>* contours;
  double scale, originX, tolerance;
  Point2 pen;

  Point2 at(const FT_Vector* v) const { return {originX + v->x * scale, v->y * scale}; }
  void lineTo(Point2 p) {
    Contour& c = contours->back();
    if (c.empty() || std::hypot(p.x - c.back().x, p.y - c.back().y) > 1e-6) c.push_back(p);
    pen = p;
  }
  // Enough segments that the chords stray from the curve by at most the tolerance: a curve whose
  // second difference is `bend` strays by bend / (4 n^2) from n equal chords.
  int pieces(double bend) const { return std::clamp((int)std::ceil(std::sqrt(bend / (4 * tolerance))), 1, 24); }
};

int moveTo(const FT_Vector* to, void* user) {
  OutlineWalk* w = (OutlineWalk*)user;
  w->contours->emplace_back();
  w->lineTo(w->at(to));
  return 0;
}
int lineTo(const FT_Vector* to, void* user) {
  OutlineWalk* w = (OutlineWalk*)user;
  w->lineTo(w->at(to));
  return 0;
}
int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  OutlineWalk* w = (OutlineWalk*)user;
  Point2 a = w->pen, c = w->at(control), b = w->at(to);
  int n = w->pieces(std::hypot(a.x - 2 * c.x + b.x, a.y - 2 * c.y + b.y));
  for (int i = 1; i <= n; ++i) {
    double t = (double)i / n, s = 1 - t;
    w->lineTo({s * s * a.x + 2 * s * t * c.x + t * t * b.x, s * s * a.y + 2 * s * t * c.y + t * t * b.y});
  }
  return 0;
}
int cubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user) {
  OutlineWalk* w = (OutlineWalk*)user;
  Point2 a = w->pen, c = w->at(control1), d = w->at(control2), b = w->at(to);
  double bend = std::max(std::hypot(a.x - 2 * c.x + d.x, a.y - 2 * c.y + d.y), std::hypot(c.x - 2 * d.x + b.x, c.y - 2 * d.y + b.y));
  int n = w->pieces(3 * bend); // a cubic's second derivative reaches 6 times its control points' second difference
  for (int i = 1; i <= n; ++i) {
    double t = (double)i / n, s = 1 - t;
    w->lineTo({s * s * s * a.x + 3 * s * s * t * c.x + 3 * s * t * t * d.x + t * t * t * b.x,
               s * s * s * a.y + 3 * s * s * t * c.y + 3 * s * t * t * d.y + t * t * t * b.y});
  }
  return 0;
}

} // namespace

double textOutlines(const std::string& text, double tolerance, double tracking, std::vector<Contour>& contours) {
  const double scale = 1.0 / face->units_per_EM;
  FT_Outline_Funcs funcs{moveTo, lineTo, conicTo, cubicTo, 0, 0};
  double pen = 0;
  FT_UInt previous = 0;
  for (unsigned char c : text) {
    FT_UInt glyph = FT_Get_Char_Index(face, c);
    if (previous && glyph && FT_HAS_KERNING(face)) {
      FT_Vector kern;
      if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_UNSCALED, &kern) == 0) pen += kern.x * scale;
    }
    previous = glyph;
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0) continue;
    size_t first = contours.size();
    OutlineWalk walk{&contours, scale, pen, tolerance, {0, 0}};
    FT_Outline_Decompose(&face->glyph->outline, &funcs, &walk);
    for (size_t i = first; i < contours.size(); ++i) {
      Contour& k = contours[i];
      if (k.size() > 1 && std::hypot(k.front().x - k.back().x, k.front().y - k.back().y) < 1e-6) k.pop_back();
    }
    contours.erase(std::remove_if(contours.begin() + (long)first, contours.end(), [](const Contour& k) { return k.size() < 3; }),
                   contours.end());
    pen += face->glyph->advance.x * scale + tracking;
  }
  return pen - tracking;
}

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
