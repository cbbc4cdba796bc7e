// zubassets: generates the demo's asset pack procedurally and deterministically. For now every
// picture of the asset table is a distinct test card (its own colours, its file name written on
// it) at the size its scene needs.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "image/bitmap.h"
#include "image/image_writers.h"
#include "image/tiny_font.h"
#include "music/module_maker.h"
#include "objects.h"

namespace {

struct PictureSpec {
  const char* file; // relative to the output folder
  int width, height;
};

const PictureSpec pictures[] = {
    {"default.jpg", 320, 240},
    {"dat/logo.jpg", 320, 240},    {"dat/ridud.jpg", 320, 240},   {"dat/redchin.jpg", 320, 240},
    {"dat/guitar.jpg", 320, 240},  {"dat/gfx.jpg", 320, 240},     {"dat/bazooka.jpg", 400, 300},
    {"dat/code.jpg", 320, 240},    {"dat/pink666.jpg", 320, 240}, {"dat/music.jpg", 320, 240},
    {"dat/water.jpg", 320, 240},   {"dat/lumored.jpg", 320, 240}, {"dat/lumoside.jpg", 240, 220},
    {"dat/sister.jpg", 240, 220},  {"dat/lumoelec.jpg", 240, 220}, {"dat/egg.jpg", 320, 240},
    {"dat/static.jpg", 320, 240},  {"dat/mewmew.jpg", 320, 240},  {"dat/swirl.jpg", 320, 240},
    {"dat/yellow.jpg", 320, 240},  {"dat/scape.jpg", 320, 240},   {"dat/cabtex.jpg", 320, 240},
    {"dat/boo.jpg", 320, 240},     {"dat/butt.jpg", 320, 240},    {"dat/cage.jpg", 320, 240},
    {"dat/white.jpg", 320, 240},
};

uint32_t rgb(int r, int g, int b) {
  auto clamp = [](int v) { return (uint32_t)(v < 0 ? 0 : v > 255 ? 255 : v); };
  return clamp(r) << 16 | clamp(g) << 8 | clamp(b);
}

// A colour of the given hue (0..1), fully saturated.
uint32_t hueColour(double hue, double brightness) {
  double r = std::fabs(hue * 6 - 3) - 1, g = 2 - std::fabs(hue * 6 - 2), b = 2 - std::fabs(hue * 6 - 4);
  auto c = [brightness](double v) { return (int)(255 * brightness * (v < 0 ? 0 : v > 1 ? 1 : v)); };
  return rgb(c(r), c(g), c(b));
}

uint32_t nameHash(const char* s) {
  uint32_t h = 2166136261u;
  for (; *s; ++s) h = (h ^ (uint8_t)*s) * 16777619u;
  return h;
}

void put(Bitmap& b, int x, int y, uint32_t c) {
  if (x >= 0 && y >= 0 && x < b.width && y < b.height) b.pixels[y * b.width + x] = c;
}

// Background gradient in the card's hue, a grid, colour bars, a ring and the name in the centre.
void drawTestCard(Bitmap& card, const char* label, uint32_t seed) {
  double hue = (seed % 360) / 360.0;
  for (int y = 0; y < card.height; ++y)
    for (int x = 0; x < card.width; ++x) {
      double shade = 0.35 + 0.45 * x / card.width + 0.2 * y / card.height;
      card.pixels[y * card.width + x] = hueColour(hue + 0.08 * y / card.height, shade);
    }
  uint32_t gridColour = hueColour(hue + 0.5, 0.9);
  for (int y = 0; y < card.height; y += 20)
    for (int x = 0; x < card.width; ++x) put(card, x, y, gridColour);
  for (int x = 0; x < card.width; x += 20)
    for (int y = 0; y < card.height; ++y) put(card, x, y, gridColour);
  const uint32_t bars[] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00, 0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};
  int barWidth = card.width / 8, barTop = card.height * 3 / 4;
  for (int i = 0; i < 8; ++i)
    for (int y = barTop; y < barTop + card.height / 10; ++y)
      for (int x = i * barWidth; x < (i + 1) * barWidth; ++x) put(card, x, y, bars[i]);
  int cx = card.width / 2, cy = card.height / 2, radius = (card.height < card.width ? card.height : card.width) / 3;
  for (int a = 0; a < 2000; ++a) {
    double t = a * 2 * M_PI / 2000;
    for (int r = radius - 2; r <= radius; ++r) put(card, cx + (int)(r * std::cos(t)), cy + (int)(r * std::sin(t)), 0xFFFFFF);
  }
  int scale = 2;
  int textWidth = (int)strlen(label) * zub::glyphAdvance * scale;
  int tx = (card.width - textWidth) / 2, ty = cy - zub::glyphHeight * scale / 2;
  for (int y = ty - 4; y < ty + zub::glyphHeight * scale + 4; ++y)
    for (int x = tx - 4; x < tx + textWidth + 2; ++x) put(card, x, y, 0x000000);
  zub::drawText(&card, tx, ty, label, 0xFFFFFF, scale);
  card.draw_border(0xFFFFFF);
}

// The greetings picture: white lines of text on pure black, tall enough to scroll up the screen.
void drawGreetings(Bitmap& card) {
  const char* lines[] = {"GREETINGS", "", "TO ALL", "DEMO MAKERS", "", "CODERS", "MUSICIANS", "GRAPHICIANS",
                         "", "AND YOU", "", "DAT\\GREETS.JPG"};
  int y = 40;
  for (const char* line : lines) {
    int width = (int)strlen(line) * zub::glyphAdvance * 3;
    zub::drawText(&card, (card.width - width) / 2, y, line, 0xFFFFFF, 3);
    y += 80;
  }
}

bool makeFolder(const std::string& path) { return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }

int usage(FILE* out, int status) {
  fprintf(out,
          "usage: zubassets [--out DIR]\n"
          "Writes the demo's asset pack into DIR (default: data).\n"
          "example: zubassets --out data\n");
  return status;
}

} // namespace

int main(int argc, char** argv) {
  std::string out = "data";
  for (int i = 1; i < argc; ++i) {
    if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) return usage(stdout, 0);
    if (!strcmp(argv[i], "--out") && i + 1 < argc) {
      out = argv[++i];
      continue;
    }
    fprintf(stderr, "zubassets: unknown argument '%s'\n", argv[i]);
    return usage(stderr, 2);
  }
  if (!makeFolder(out) || !makeFolder(out + "/dat")) {
    fprintf(stderr, "zubassets: cannot create %s/dat: %s\n", out.c_str(), strerror(errno));
    return 1;
  }
  // Bitmap construction prints allocation lines; the generator keeps its own output quiet.
  FILE* quiet = freopen("/dev/null", "w", stdout);
  (void)quiet;
  std::string error;
  for (const PictureSpec& p : pictures) {
    Bitmap card(p.width, p.height);
    std::string label = p.file;
    for (char& c : label)
      if (c == '/') c = '\\';
    drawTestCard(card, label.c_str(), nameHash(p.file));
    if (!zub::writeJpeg(out + "/" + p.file, card.pixels, card.width, card.height, 90, error)) {
      fprintf(stderr, "zubassets: %s\n", error.c_str());
      return 1;
    }
  }
  Bitmap greets(240, 1040);
  drawGreetings(greets);
  if (!zub::writeJpeg(out + "/dat/greets.jpg", greets.pixels, greets.width, greets.height, 90, error)) {
    fprintf(stderr, "zubassets: %s\n", error.c_str());
    return 1;
  }
  if (!assets::writeObjects(out, error)) {
    fprintf(stderr, "zubassets: %s\n", error.c_str());
    return 1;
  }
  std::string module = zub::makeDemoModule();
  FILE* music = fopen((out + "/music.dat").c_str(), "wb");
  if (!music || fwrite(module.data(), 1, module.size(), music) != module.size() || fclose(music) != 0) {
    fprintf(stderr, "zubassets: cannot write %s/music.dat: %s\n", out.c_str(), strerror(errno));
    return 1;
  }
  fprintf(stderr, "zubassets: wrote %zu pictures, the objects and music.dat to %s\n", sizeof pictures / sizeof pictures[0] + 1, out.c_str());
  return 0;
}
