#include "pictures.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/fatal.h"
#include "image/bitmap.h"
#include "image/image_writers.h"
#include "paint.h"
#include "portraits.h"
#include "text.h"

namespace assets {

namespace {

using Painter = std::function<uint32_t(int x, int y)>;

void paint(Bitmap& b, const Painter& f) {
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) b.pixels[y * b.width + x] = f(x, y);
}

void stars(Bitmap& b, uint32_t seed, int count, int below = 0) {
  Noise n(seed);
  for (int i = 0; i < count; ++i) {
    int x = (int)(n.next() * b.width), y = (int)(n.next() * (below ? below : b.height));
    double k = 0.4 + 0.6 * n.next();
    uint32_t& p = b.pixels[y * b.width + x];
    p = add(p, rgb(255 * k, 255 * k, 255 * k));
  }
}

// Soft disc: `colour` added with a falloff toward the rim.
void glow(Bitmap& b, double cx, double cy, double r, uint32_t colour) {
  for (int y = (int)(cy - r); y <= (int)(cy + r); ++y)
    for (int x = (int)(cx - r); x <= (int)(cx + r); ++x) {
      if (x < 0 || y < 0 || x >= b.width || y >= b.height) continue;
      double d = std::hypot(x - cx, y - cy) / r;
      if (d >= 1) continue;
      uint32_t& p = b.pixels[y * b.width + x];
      p = add(p, scale(colour, (1 - d) * (1 - d)));
    }
}

void fillRect(Bitmap& b, int x0, int y0, int w, int h, uint32_t colour) {
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x)
      if (x >= 0 && y >= 0 && x < b.width && y < b.height) b.pixels[y * b.width + x] = colour;
}

struct Gradient {
  uint32_t top, bottom;
  int y0, y1;
};
uint32_t gradientPaint(int, int y, void* data) {
  Gradient* g = (Gradient*)data;
  return mix(g->top, g->bottom, (double)(y - g->y0) / (g->y1 - g->y0));
}

void title(Bitmap& b, const std::string& text, int size, int cx, int baseline, uint32_t top, uint32_t bottom) {
  Gradient g{top, bottom, baseline - size * 3 / 4, baseline};
  drawTextCentred(&b, text, size, cx + 3, baseline + 3, 0x000000);
  drawTextCentred(&b, text, size, cx, baseline, 0, gradientPaint, &g);
}

// ---- the pictures ----

// The title over deep space: a nebula of magenta and blue drifting across the sky behind the
// stars, and the edge of a dark planet along the bottom, its thin atmosphere catching the light.
void logo(Bitmap& b) {
  paint(b, [](int x, int y) {
    uint32_t sky = mix(0x101848, 0x000004, y / 240.0);
    const double gas = clouds(x / 90.0, y / 90.0, 5, 3), tint = clouds(x / 140.0 + 7, y / 140.0, 3, 9);
    const double band = std::exp(-std::pow((y - 0.45 * x - 40) / 90.0, 2)); // a lane across the sky
    const double density = std::pow(std::clamp((gas - 0.32) / 0.36, 0.0, 1.0), 1.4) * band;
    return add(sky, scale(mix(0x9A2090, 0x2060B0, tint * 1.4 - 0.2), density));
  });
  stars(b, 7, 180);
  // The planet's edge: a circle far below whose top just shows, dark with a faint lit rim, and
  // the atmosphere as a thin glow just outside it.
  const double pcx = 160, pcy = 790, pr = 570;
  for (int y = 200; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      const double d = std::hypot(x + 0.5 - pcx, y + 0.5 - pcy) - pr;
      uint32_t& p = b.pixels[y * 320 + x];
      const double air = std::exp(-std::pow(std::max(0.0, d) / 3.5, 2)) * 0.8 + std::exp(-std::max(0.0, d) / 12) * 0.2;
      if (d < 0.5) {
        const double inside = std::clamp(0.5 - d, 0.0, 1.0), rim = std::exp(d / 6); // d <= 0.5 here
        p = mix(p, mix(0x04060C, 0x1A3050, rim), inside);
      }
      p = add(p, scale(0x4A9AE0, air * (0.4 + 0.6 * std::exp(-std::pow((x - 160) / 150.0, 2)))));
    }
  glow(b, 160, 110, 150, 0x302060);
  title(b, "ZUB", 118, 160, 150, 0xFFF0A0, 0xC06010);
  for (int x = 40; x < 280; ++x) b.pixels[172 * 320 + x] = mix(0x000000, 0xFFC040, 1 - std::fabs(x - 160) / 120.0);
  drawTextCentred(&b, "a software demo", 20, 160, 200, 0xC0C8FF);
}

// "In true colour" over the colours of the night: curtains of aurora, green at their feet turning
// violet above, over dark hills and a still lake that mirrors them.
void secondTitle(Bitmap& b) {
  const int lake = 200;
  auto sky = [](double x, double y) {
    // Night blue, lightening toward the horizon so the hills stand dark against it.
    const double low = std::pow(std::clamp(y / 190, 0.0, 1.0), 3);
    double R = 8 + 22 * low, G = 10 + 50 * low, B = 32 + 56 * low;
    for (int curtain = 0; curtain < 2; ++curtain) {
      const double foot = (curtain ? 96 : 160) + (curtain ? 18 : 10) * std::sin(x * 0.017 + curtain * 2.1) + 6 * std::sin(x * 0.043 + 1 + curtain);
      const double above = foot - y; // the curtain hangs above its foot
      if (above < -6) continue;
      const double rays = 0.45 + 0.55 * smoothNoise(x * 0.16 + curtain * 40, y * 0.012, 17);
      const double rise = above < 0 ? std::exp(-above * above / 8) : std::exp(-above / (curtain ? 38.0 : 55.0));
      const double k = (curtain ? 0.5 : 0.7) * rays * rise * (0.6 + 0.4 * std::sin(x * 0.011 + curtain));
      const double t = std::clamp(above / 70, 0.0, 1.0); // green at the foot, violet above
      R += k * (40 + 170 * t), G += k * (230 - 170 * t), B += k * (120 + 120 * t);
    }
    return rgb(R, G, B);
  };
  paint(b, [&](int x, int y) {
    // The hills' ridge, and the lake below it mirroring the sky, darker and rippled.
    const double ridge = lake - 14 - 12 * smoothNoise(x * 0.025, 0, 5) - 6 * smoothNoise(x * 0.09, 3, 6);
    if (y < ridge) return sky(x + 0.5, y + 0.5);
    if (y < lake) return rgb(4, 6, 12);
    const double mirror = 2 * lake - y - 30 + 1.5 * std::sin(y * 1.1 + x * 0.05);
    return scale(sky(x + 0.5, mirror), 0.45);
  });
  stars(b, 19, 70, 60);
  title(b, "presents", 26, 160, 70, 0xFFFFFF, 0xB0B0FF);
  title(b, "320 x 240", 46, 160, 146, 0xFFFFFF, 0x80FFFF);
  title(b, "in true colour", 28, 160, 195, 0xFFE0F0, 0xFF80C0);
}

// A credit card: its role large and who below, between two bars, over a backdrop (by default
// soft waves of the card's hue).
void credit(Bitmap& b, const std::string& role, const std::string& who, uint32_t hue, bool backdrop = true) {
  if (backdrop)
    paint(b, [hue](int x, int y) {
      double v = 0.25 + 0.2 * std::sin(x * 0.02 + y * 0.015) + 0.15 * std::sin(y * 0.05);
      return scale(hue, v);
    });
  // The words sit round the picture's centre, so the zooms that trail the card (they enlarge
  // about the centre) lay its copies over it rather than beside it.
  fillRect(b, 0, 70, 320, 3, scale(hue, 1.2));
  fillRect(b, 0, 178, 320, 3, scale(hue, 1.2));
  title(b, role, 52, 160, 138, 0xFFFFFF, mix(hue, 0xFFFFFF, 0.5));
  drawTextCentred(&b, who, 19, 160, 163, 0xFFFFFF);
}

// The graphics credit over a canvas painted by numbers: cells of greens, teals and golds, each
// with its number, outlined thinly, kept dim so the title stands out; the card's bars and words
// as on the other credits.
void graphicsCard(Bitmap& b) {
  struct Cell {
    double x, y;
    int colour;
  };
  const uint32_t paints[] = {0x1E6A48, 0x2E8A5A, 0x1C5A6A, 0x6A7A2A, 0x3A9A7A, 0x14483A};
  Noise n(23);
  std::vector<Cell> cells;
  for (int i = 0; i < 46; ++i) cells.push_back({n.next() * 340 - 10, n.next() * 260 - 10, (int)(n.next() * 6)});
  paint(b, [&](int x, int y) {
    double best = 1e9, second = 1e9;
    int colour = 0;
    for (const Cell& c : cells) {
      const double d = std::hypot(x + 0.5 - c.x, y + 0.5 - c.y);
      if (d < best) second = best, best = d, colour = c.colour;
      else if (d < second) second = d;
    }
    // The outline where two cells meet: half the difference of the distances is the distance to
    // the border, near enough.
    const double edge = std::clamp((second - best) / 2 - 0.3, 0.0, 1.0);
    const double light = 0.75 + 0.25 * std::sin(x * 0.02 + y * 0.015);
    return mix(0x0C1E14, scale(paints[colour], light), 0.3 + 0.5 * edge);
  });
  for (const Cell& c : cells) {
    if (c.x < 12 || c.y < 14 || c.x > 308 || c.y > 232) continue;
    drawTextCentred(&b, std::to_string(c.colour + 1), 10, (int)c.x, (int)c.y + 4, 0x0C2418);
  }
  credit(b, "graphics", "painted by numbers", 0x30A050, false);
}

// Deep red behind the gold logo: a circuit board in red solder mask, its copper traces showing
// as lighter lines that run straight and turn at 45 degrees between gold pads and vias, with a few
// chips toward the edges, lit from a point above the centre and darkening toward the corners.
// Lines are drawn with their coverage (soft, exact distance), so the scene's zooms enlarge them
// smoothly.
void redBackground(Bitmap& b) {
  const int w = b.width, h = b.height;
  std::vector<double> trace((size_t)w * h, 0), pad((size_t)w * h, 0), chip((size_t)w * h, 0);
  auto stroke = [&](std::vector<double>& layer, double ax, double ay, double bx, double by, double half) {
    for (int y = (int)std::min(ay, by) - 4; y <= (int)std::max(ay, by) + 4; ++y)
      for (int x = (int)std::min(ax, bx) - 4; x <= (int)std::max(ax, bx) + 4; ++x) {
        if (x < 0 || y < 0 || x >= w || y >= h) continue;
        const double vx = bx - ax, vy = by - ay, px = x + 0.5 - ax, py = y + 0.5 - ay;
        const double t = std::clamp((px * vx + py * vy) / (vx * vx + vy * vy + 1e-9), 0.0, 1.0);
        const double d = std::hypot(px - vx * t, py - vy * t);
        double& v = layer[(size_t)y * w + x];
        v = std::max(v, std::clamp(half + 0.5 - d, 0.0, 1.0));
      }
  };
  auto disc = [&](std::vector<double>& layer, double cx, double cy, double r) { stroke(layer, cx, cy, cx, cy, r); };
  Noise n(31);
  // Chips: dark packages with gold legs, kept off the middle where the letters wave.
  const double chips[][4] = {{18, 22, 44, 30}, {252, 180, 50, 34}, {30, 176, 34, 44}, {250, 26, 40, 26}};
  for (const auto& c : chips) {
    for (int y = (int)c[1]; y < (int)(c[1] + c[3]); ++y)
      for (int x = (int)c[0]; x < (int)(c[0] + c[2]); ++x) chip[(size_t)y * w + x] = 1;
    for (double x = c[0] + 4; x < c[0] + c[2] - 2; x += 6) {
      stroke(pad, x, c[1] - 4, x, c[1] - 1, 1.2);
      stroke(pad, x, c[1] + c[3] + 1, x, c[1] + c[3] + 4, 1.2);
    }
  }
  // Traces: each starts at a pad and runs on, mostly straight, turning by 45 degrees now and
  // then, to a via.
  const int dx[] = {1, 1, 0, -1, -1, -1, 0, 1}, dy[] = {0, 1, 1, 1, 0, -1, -1, -1};
  for (int i = 0; i < 44; ++i) {
    double x = 8 * std::floor(n.next() * w / 8) + 4, y = 8 * std::floor(n.next() * h / 8) + 4;
    int dir = (int)(n.next() * 8);
    disc(pad, x, y, 2.6);
    const int legs = 2 + (int)(n.next() * 4);
    for (int leg = 0; leg < legs; ++leg) {
      const double length = 8 * (2 + std::floor(n.next() * 6));
      const double nx = x + dx[dir] * length, ny = y + dy[dir] * length;
      stroke(trace, x, y, nx, ny, 1.1);
      x = nx, y = ny;
      dir = (dir + (n.next() < 0.5 ? 1 : 7)) % 8;
    }
    disc(pad, x, y, 2.4);
  }
  paint(b, [&](int x, int y) {
    const size_t i = (size_t)y * w + x;
    // The light: a soft pool above the centre, the corners in shadow.
    const double r = std::hypot(x - 160.0, y - 100.0), light = (0.45 + 0.75 * std::exp(-r * r / (120.0 * 120.0))) *
                                                                  (1 - 0.35 * std::pow(std::hypot(x - 160.0, y - 120.0) / 200, 2));
    const double weave = 0.92 + 0.08 * std::sin(x * 0.9) * std::sin(y * 0.9); // the board's glass weave
    double R = 112 * weave, G = 14 * weave, B = 22 * weave;
    R += 70 * trace[i], G += 22 * trace[i], B += 18 * trace[i];
    R = R * (1 - chip[i]) + 30 * chip[i], G = G * (1 - chip[i]) + 12 * chip[i], B = B * (1 - chip[i]) + 14 * chip[i];
    const double gold = pad[i] * 0.8;
    R = R * (1 - gold) + 210 * gold, G = G * (1 - gold) + 150 * gold, B = B * (1 - gold) + 64 * gold;
    return rgb(R * light, G * light, B * light);
  });
}

// A close-up of an acoustic guitar's top: the fretboard running in from the left, six strings
// over the sound hole and its rosette to the bridge on the right, on a sunburst spruce top under a
// warm light. Every edge is soft and worked out from its exact distance: the scene shakes the
// picture by up to ten pixels every frame, and a thin, hard line would blink in and out of place
// (a flash) where a soft one glides. For the same reason the whole picture is kept low in light,
// at 0.6 of the colours it is painted in: at 0.7 the shaken edges of the sound hole, the board and
// the strings already flash. Each pixel is the mean of 3 x 3 samples.
void strings(Bitmap& b) {
  const double hx = 176, hy = 124, hole = 50, light = 0.6;
  const double nutX = -40, bridgeX = 292;
  // Each string's height along x: the six fan out a little from the nut toward the bridge.
  auto stringY = [&](int s, double x) {
    const double t = (x - nutX) / (bridgeX - nutX);
    return hy + (s - 2.5) * (15 + 5 * t);
  };
  auto smooth = [](double e0, double e1, double v) {
    double t = std::clamp((v - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
  };
  auto sample = [&](double x, double y, double& R, double& G, double& B) {
    const double r = std::hypot(x - hx, y - hy);
    // Spruce: honey at the middle darkening to a deep brown toward the rim (the sunburst), its
    // grain running along the strings.
    const double burst = smooth(50, 210, std::hypot((x - hx) * 0.72, y - hy));
    const double grain = 0.5 + 0.5 * std::sin(y * 1.3 + 1.8 * std::sin(x * 0.011 + y * 0.05));
    R = (226 - 164 * burst) * (0.95 + 0.05 * grain), G = (164 - 140 * burst) * (0.95 + 0.05 * grain),
    B = (90 - 78 * burst) * (0.95 + 0.05 * grain);
    // A broad, soft sheen from the light above the left.
    const double sheen = std::exp(-std::pow((x - 0.9 * y - 20) / 70, 2)) * (1 - burst);
    R += 26 * sheen, G += 22 * sheen, B += 16 * sheen;
    // The rosette: dark purfling rings either side of a band of shell that shifts hue round it.
    auto ring = [&](double radius, double width) { return std::exp(-std::pow((r - radius) / width, 2)); };
    const double angle = std::atan2(y - hy, x - hx);
    const double dark = 0.7 * (ring(hole + 5, 1.3) + ring(hole + 17, 1.3));
    const double shell = ring(hole + 11, 3.2);
    R *= 1 - dark, G *= 1 - dark, B *= 1 - dark;
    // Shell: green, blue and violet by turns round the ring, with a pale lustre.
    const double sR = 110 + 80 * std::sin(angle * 3 + 4), sG = 160 + 70 * std::sin(angle * 3), sB = 170 + 70 * std::sin(angle * 3 + 2);
    R = R * (1 - shell) + shell * sR, G = G * (1 - shell) + shell * sG, B = B * (1 - shell) + shell * sB;
    // The sound hole: dark, a little lighter toward its lower edge where light falls inside.
    const double inside = smooth(hole + 2, hole - 2, r);
    const double depth = std::clamp((y - hy + hole) / (2 * hole), 0.0, 1.0);
    R = R * (1 - inside) + inside * (14 + 22 * depth * depth), G = G * (1 - inside) + inside * (8 + 12 * depth * depth),
    B = B * (1 - inside) + inside * (6 + 6 * depth * depth);
    // The fretboard: dark rosewood from the left edge to just short of the rosette, its end
    // rounded, with frets closing up toward the body and two pearl dots.
    const double boardHalf = 52, boardEnd = hx - hole - 26;
    const double boardEdge = std::max(std::fabs(y - hy) - boardHalf, x - boardEnd - 10 * (1 - std::pow((y - hy) / boardHalf, 2)));
    const double board = smooth(2, -2, boardEdge);
    if (board > 0) {
      double wood = 0.8 + 0.2 * std::sin(y * 0.9 + std::sin(x * 0.05) * 2);
      double fR = 62 * wood, fG = 36 * wood, fB = 26 * wood;
      // Frets: each 0.944 of the last's distance from the bridge.
      for (double fx = nutX, gap = 36; fx < boardEnd; gap *= 0.944) {
        fx += gap;
        const double d = std::fabs(x - fx);
        const double metal = std::exp(-d * d / 1.2);
        fR += 150 * metal, fG += 150 * metal, fB += 145 * metal;
      }
      for (double dotX : {33.0, 96.0}) {
        const double dot = smooth(4.5, 2.5, std::hypot(x - dotX, y - hy));
        fR += (220 - fR) * dot, fG += (220 - fG) * dot, fB += (205 - fB) * dot;
      }
      // The board's shadow on the top along its edges.
      R = R * (1 - board) + fR * board, G = G * (1 - board) + fG * board, B = B * (1 - board) + fB * board;
    } else {
      const double shadow = 0.35 * smooth(10, 0, boardEdge);
      R *= 1 - shadow, G *= 1 - shadow, B *= 1 - shadow;
    }
    // The bridge: a rosewood bar with rounded ends, an ivory saddle and six pins.
    const double bx = std::max(0.0, std::fabs(y - hy) - 46), bridgeEdge = std::hypot(bx, x - bridgeX) - 14;
    const double bridge = smooth(2, -2, bridgeEdge);
    if (bridge > 0) {
      double bR = 70, bG = 40, bB = 28;
      const double saddle = smooth(1.8, 0.2, std::fabs(x - (bridgeX - 6))) * (std::fabs(y - hy) < 44 ? 1 : 0);
      bR += (236 - bR) * saddle, bG += (226 - bG) * saddle, bB += (200 - bB) * saddle;
      for (int s = 0; s < 6; ++s) {
        const double pin = smooth(4, 2, std::hypot(x - (bridgeX + 6), y - stringY(s, bridgeX)));
        bR += (230 - bR) * pin, bG += (222 - bG) * pin, bB += (205 - bB) * pin;
      }
      R = R * (1 - bridge) + bR * bridge, G = G * (1 - bridge) + bG * bridge, B = B * (1 - bridge) + bB * bridge;
    }
    // The strings: a bright metal core with a soft glow and a shadow just below; the three low
    // ones bronze and thicker, the three high ones steel.
    for (int s = 0; s < 6; ++s) {
      if (x > bridgeX + 6) break;
      const double d = y - stringY(s, x), width = s < 3 ? 1.25 - 0.15 * s : 0.8;
      const double core = std::exp(-d * d / (width * width)), glow = 0.12 * std::exp(-d * d / 16);
      const double shade = 0.3 * std::exp(-std::pow(d - 3, 2) / 2.5);
      R *= 1 - shade, G *= 1 - shade, B *= 1 - shade;
      const double cR = s < 3 ? 250 : 240, cG = s < 3 ? 210 : 240, cB = s < 3 ? 150 : 245;
      R += (cR - R) * core + cR * glow, G += (cG - G) * core + cG * glow, B += (cB - B) * core + cB * glow;
    }
  };
  paint(b, [&](int px, int py) {
    double R = 0, G = 0, B = 0;
    for (int k = 0; k < 9; ++k) {
      double r, g, bl;
      sample(px + (k % 3 + 0.5) / 3, py + (k / 3 + 0.5) / 3, r, g, bl);
      R += r / 9, G += g / 9, B += bl / 9;
    }
    // Lit from above the middle, falling off toward the left and right edges: the video scene
    // scrolls the clip's lines over this picture, and what they uncover at the edges reads as
    // shadow rather than as stray bars of fretboard.
    const double fall = std::pow(std::clamp((std::fabs(px + 0.5 - 160) - 100) / 60.0, 0.0, 1.0), 1.5);
    const double edge = light * (1 - 0.75 * fall);
    return rgb(R * edge, G * edge, B * edge);
  });
}

// A night skyline. The scenes zoom into the rectangle (204..359, 166..229) of this picture, and
// the framed zoom draws its own green outline round it and green lines through its centre
// (x 282, y 198): here they trace green light that belongs to the city, the trim of the tower that
// carries the sign (its left edge and two ledges), a light strip down the tower and its mast, and
// the lamps of an elevated track. The sign itself stands clear inside, away from the frame's edge.
void skyline(Bitmap& b) {
  // The sky darkens upward from the city's own warm haze along the rooftops.
  paint(b, [&b](int, int y) {
    double t = (double)y / b.height;
    uint32_t sky = mix(0x060C2A, 0x3A1C50, t);
    return mix(sky, 0x6A2C5A, std::pow(std::max(0.0, t - 0.45) / 0.55, 1.5));
  });
  stars(b, 11, 120, 200);
  // The moon: a pale disc with a few soft shadows, in a wide halo. It stands clear of the corner
  // the city scene's first zoom starts from (50, 40), so that it does not fill the frame in blocks.
  const int moonX = 168, moonY = 44;
  glow(b, moonX, moonY, 46, 0x282838);
  for (int y = moonY - 14; y <= moonY + 14; ++y)
    for (int x = moonX - 14; x <= moonX + 14; ++x) {
      double d = std::hypot(x - moonX, y - moonY) / 13;
      if (d >= 1.08) continue;
      double shade = 1 - 0.12 * std::exp(-std::pow(std::hypot(x - moonX + 5, y - moonY + 4) / 4, 2)) -
                     0.08 * std::exp(-std::pow(std::hypot(x - moonX - 4, y - moonY - 5) / 3, 2)) - 0.15 * d * d;
      uint32_t& p = b.pixels[y * b.width + x];
      p = mix(p, scale(0xF0ECDC, shade), std::min(1.0, (1.08 - d) / 0.16));
    }
  Noise n(3);
  // A block of the city: a body shaded darker toward its foot, a lit edge on the moon's side, a
  // setback or a mast on some roofs, and windows lit at random, warm or cool.
  auto block = [&](int x, int w, int top, uint32_t body, double lit, double bright, int winW, int winH) {
    const int right = std::min(x + w - 2, 203);
    for (int y = std::max(top, 0); y < b.height; ++y)
      for (int px = x; px < right; ++px) {
        double t = (double)(y - top) / (b.height - top);
        uint32_t c = scale(body, 1.25 - 0.45 * t);
        if (px == x && x > moonX) c = mix(c, 0x3A3450, 0.5);  // the side facing the moon
        if (px == right - 1 && x + w < moonX) c = mix(c, 0x3A3450, 0.5);
        b.pixels[y * b.width + px] = c;
      }
    if (n.next() < 0.35) {  // a narrower storey set back on the roof
      int inset = w / 4, h = 8 + (int)(n.next() * 14);
      fillRect(b, x + inset, top - h, std::max(2, std::min(right, 204) - x - 2 * inset), h, scale(body, 1.2));
      top -= h;
    }
    if (n.next() < 0.3) {  // a mast with a red warning lamp
      int mx = x + w / 2, h = 10 + (int)(n.next() * 16);
      fillRect(b, mx, top - h, 1, h, scale(body, 1.4));
      glow(b, mx + 0.5, top - h, 3, 0xC02010);
    }
    for (int wy = top + 6; wy < b.height - 4; wy += winH + 5)
      for (int wx = x + 3; wx + winW < right - 1; wx += winW + 4)
        if (n.next() < lit) {
          double k = n.next();
          uint32_t c = k < 0.7 ? mix(0xFFC060, 0xFFF0B0, k / 0.7) : k < 0.9 ? 0xC8E0FF : 0x7090FF;
          fillRect(b, wx, wy, winW, winH, scale(c, bright));
        }
  };
  // Three layers, the far ones hazier and smaller.
  for (int x = -10; x < 204;) {
    int w = 14 + (int)(n.next() * 22);
    block(x, w, 150 + (int)(n.next() * 50), 0x30285A, 0.25, 0.45, 2, 2);
    x += w;
  }
  for (int x = -6; x < 204;) {
    int w = 18 + (int)(n.next() * 26);
    block(x, w, 110 + (int)(n.next() * 70), 0x181430, 0.3, 0.7, 2, 3);
    x += w + (int)(n.next() * 10);
  }
  for (int x = 0; x < 204;) {
    int w = 20 + (int)(n.next() * 35), h = 80 + (int)(n.next() * 160);
    block(x, w, b.height - h, 0x0C0C18, 0.35, 1.0, 3, 4);
    x += w;
  }
  const uint32_t neon = 0x30F060, halo = 0x0C4018;
  auto light = [&](int x0, int y0, int w, int h) {
    fillRect(b, x0 - 1, y0 - 1, w + 2, h + 2, halo);
    fillRect(b, x0, y0, w, h, neon);
  };
  // The elevated track: a dark beam on pillars, lamps along its side.
  fillRect(b, 0, 194, 204, 8, 0x120E1E);
  for (int x = 30; x < 204; x += 64) fillRect(b, x, 202, 6, 98, 0x0E0A18);
  light(0, 198, 204, 1);
  // The tower, running off the right of the frame, its windows dark round the sign: a glass wall
  // of storeys and mullions, darker toward its foot, with the sky's glow sliding across it.
  for (int y = 110; y < 300; ++y)
    for (int x = 204; x < 400; ++x) {
      uint32_t c = mix(0x1C1836, 0x0A0818, (y - 110) / 190.0);
      double sheen = std::exp(-std::pow(((x - 204) * 0.55 + (y - 110) - 60) / 26.0, 2));
      c = mix(c, 0x3A2C5C, 0.45 * sheen);
      if ((x - 209) % 8 == 0) c = scale(c, 1.35);       // a mullion
      if ((y - 117) % 9 == 0) c = mix(c, 0x2A2448, 0.5); // a floor's edge
      b.pixels[y * b.width + x] = c;
    }
  for (int wy = 118; wy < 292; wy += 9)
    for (int wx = 210; wx < 396; wx += 8)
      if ((wy < 160 || wy > 236) && std::abs(wx + 1 - 282) > 4 && n.next() < 0.3)
        fillRect(b, wx, wy, 3, 4, mix(0xFFD070, 0xFFFFC0, n.next()));
  light(204, 110, 1, 190);
  light(204, 166, 196, 1);
  light(204, 229, 196, 1);
  light(282, 110, 1, 190);
  fillRect(b, 280, 40, 5, 70, 0x0C0A1C); // the mast
  light(282, 30, 1, 80);
  glow(b, 282, 34, 6, 0x60FF90);
  // The sign, mounted on the tower between the ledges.
  glow(b, 282, 198, 80, 0x281028);
  fillRect(b, 214, 174, 136, 48, 0x100820);
  for (int i = 0; i < 3; ++i) fillRect(b, 214 + i, 174 + i, 136 - 2 * i, 48 - 2 * i, i == 1 ? 0xFF40A0 : 0x602040);
  fillRect(b, 217, 177, 130, 42, 0x180820);
  drawTextCentred(&b, "ZUB BAR", 26, 282, 208, 0, [](int x, int y, void*) {
    return mix(0x40FFFF, 0xFF60FF, (x - 214) / 136.0 + 0.2 * std::sin(y * 0.5));
  });
  // Two neon signs of one primary each, so the city scene's colour play switches them: a red
  // HOTEL down the tall tower goes dark as the red drains and comes back with it, and a green
  // CAFE over the low block goes dark while the green drains.
  fillRect(b, 153, 96, 17, 70, 0x0C0610);
  glow(b, 161, 131, 30, 0x300404);
  const char* hotel[] = {"H", "O", "T", "E", "L"};
  for (int i = 0; i < 5; ++i) drawTextCentred(&b, hotel[i], 12, 161, 109 + 13 * i, 0xFF2418);
  fillRect(b, 50, 162, 38, 15, 0x060C08);
  glow(b, 69, 169, 24, 0x043008);
  drawTextCentred(&b, "CAFE", 11, 69, 174, 0x28FF40);
}

// Green out-of-focus lights for the chrome rings to turn over, without words.
void ghosts(Bitmap& b) {
  paint(b, [](int x, int y) { return mix(0x002010, 0x000000, std::hypot(x - 160, y - 100) / 220); });
  Noise n(17);
  for (int i = 0; i < 14; ++i) glow(b, n.next() * 320, n.next() * 240, 20 + n.next() * 50, mix(0x40FF80, 0x80FFFF, n.next()));
}

void pinkRings(Bitmap& b) {
  paint(b, [](int x, int y) {
    double r = std::hypot(x - 160, y - 120);
    double v = 0.5 + 0.5 * std::sin(r * 0.15 - std::atan2(y - 120, x - 160) * 3);
    return rgb(200 + 55 * v, 60 + 90 * v, 150 + 80 * v);
  });
}

// The floor's grid is the mean of 4 x 4 samples a pixel: toward the horizon its lines come closer
// than a pixel, and one sample each drew them as a band of moire there; the mean fades them into
// an even glow.
void landscape(Bitmap& b) {
  const int horizon = 150;
  auto floor = [](double x, double y) {
    double depth = (y - horizon) / 90.0;
    double gx = (x - 160) / (depth + 0.05), gz = 1 / (depth + 0.05);
    bool line = std::fabs(gx / 40 - std::round(gx / 40)) < 0.04 * gz || std::fabs(gz * 4 - std::round(gz * 4)) < 0.06;
    return line ? mix(0xFF60C0, 0x60FFFF, depth) : mix(0x301040, 0x100818, depth);
  };
  paint(b, [&](int x, int y) {
    if (y < horizon) return mix(0x10186A, 0xFF8040, std::pow((double)y / horizon, 1.6));
    double c[3] = {0, 0, 0};
    for (int k = 0; k < 16; ++k) {
      uint32_t s = floor(x + 0.125 + 0.25 * (k & 3), y + 0.125 + 0.25 * (k >> 2));
      c[0] += channel(s, 16) / 16, c[1] += channel(s, 8) / 16, c[2] += channel(s, 0) / 16;
    }
    return rgb(c[0], c[1], c[2]);
  });
  glow(b, 160, horizon - 10, 60, 0xFFC060);
  for (int x = 0; x < 320; ++x) {
    double h = 30 + 14 * std::sin(x * 0.031) + 9 * std::sin(x * 0.087 + 1) + 5 * std::sin(x * 0.21);
    for (int y = horizon - (int)h; y < horizon; ++y) b.pixels[y * 320 + x] = mix(0x281848, 0x140A28, (horizon - y) / h);
    // The ridge's top pixel, covered in part: mixed by its share, so the ridge has no steps.
    uint32_t& top = b.pixels[(horizon - (int)h - 1) * 320 + x];
    top = mix(top, 0x140A28, h - (int)h);
  }
}

// A red spiral tunnel. Its arms wind ever tighter toward the middle, finer than a pixel within
// about 20 pixels of it, where they would break up into a checkerboard; they fade into the middle's
// even glow there instead, and each pixel is the mean of four samples. The landscape scene
// enlarges a 10 x 10 piece next to the middle to the whole frame.
void tunnel(Bitmap& b) {
  auto at = [](double x, double y) {
    double r = std::hypot(x - 160, y - 120) + 1, a = std::atan2(y - 120, x - 160);
    double arms = std::clamp((r - 14) / 18, 0.0, 1.0);
    double v = 0.5 + 0.5 * arms * std::sin(600 / r + a * 4);
    return std::array<double, 3>{60 + 195 * v * std::min(1.0, r / 60), 10 + 40 * v, 20 + 30 * v};
  };
  paint(b, [&](int x, int y) {
    double c[3] = {0, 0, 0};
    for (int k = 0; k < 4; ++k) {
      auto s = at(x + 0.25 + 0.5 * (k & 1), y + 0.25 + 0.5 * (k >> 1));
      for (int i = 0; i < 3; ++i) c[i] += s[i] / 4;
    }
    return rgb(c[0], c[1], c[2]);
  });
}

// A gilded birdcage round the gold ball: a warm glow deep behind it in a dark chamber, and round
// bars of brass that rise straight, then bow in toward a dome above the frame, with a hoop at
// their foot. Each pixel is the mean of 4 x 4 samples, so the thin bars stay smooth.
void cage(Bitmap& b) {
  auto at = [](double x, double y) {
    const double glowK = std::exp(-std::pow(std::hypot(x - 160, (y - 120) * 1.2) / 120, 2));
    uint32_t c = mix(mix(0x200808, 0x050204, std::hypot(x - 160, y - 120) / 220), 0x6A2A14, 0.8 * glowK);
    // The bars: thirteen across, bowing inward above y 120 as if they met in a dome at y -60.
    const double rise = std::clamp((120 - y) / 180, 0.0, 1.0), w = std::sqrt(1 - rise * rise);
    const double spread = 27 * w, u = (x - 160) / std::max(spread, 1e-6) + 6.5;
    const double k = u - std::floor(u), half = 0.075 / std::max(w, 0.25);
    if (w > 0.05 && u > 0 && u < 13 && std::fabs(k - 0.5) < half) {
      const double across = (k - 0.5) / half;  // -1 .. 1 over the bar's round
      const double light = 0.35 + 0.65 * std::pow(std::max(0.0, 1 - std::pow(across + 0.3, 2)), 2);
      c = mix(0x2A1808, 0xF0C878, light * (0.55 + 0.45 * glowK + 0.2 * (1 - w)));
    }
    // The hoop at the bars' foot, its near half in front of them.
    const double e = std::hypot((x - 160) / (27 * 6.5), (y - 200) / 16.0);
    if (std::fabs(e - 1) < 0.06 && y > 200) c = mix(0x3A2410, 0xF0C878, 0.85 - 10 * std::fabs(e - 1));
    return c;
  };
  paint(b, [&](int x, int y) {
    double r = 0, g = 0, bl = 0;
    for (int k = 0; k < 16; ++k) {
      uint32_t c = at(x + 0.125 + 0.25 * (k & 3), y + 0.125 + 0.25 * (k >> 2));
      r += (c >> 16 & 0xFF) / 16.0, g += (c >> 8 & 0xFF) / 16.0, bl += (c & 0xFF) / 16.0;
    }
    return rgb(r, g, bl);
  });
}

void egg(Bitmap& b) {
  paint(b, [](int x, int y) {
    double ex = (x - 160) / 70.0, ey = (y - 125) / (y < 125 ? 100.0 : 85.0);
    double d = ex * ex + ey * ey;
    if (d < 1) {
      double light = 0.45 + 0.55 * std::max(0.0, 1 - std::hypot(ex + 0.35, ey + 0.4));
      return scale(0xFFF4E0, light + 0.25 * (1 - d));
    }
    return mix(0x3050A0, 0x081028, (y + std::sin(x * 0.05) * 10) / 240.0);
  });
}

// The broadcast breaking up: the demo's own test card, clean (bars in its palette, the title's ZUB
// on an ident plate, faint scanlines, a rolling band); the scene supplies the snow, the trails and
// the wash to white, out of which the finale appears. Every bar and the plate sit near the light of
// mid grey, and the letters are a darker gold than the title's, so the noise the scene adds on some
// frames and not on others changes the colour, not the brightness: no flashing.
void tvStatic(Bitmap& b) {
  const uint32_t bars[] = {0x808080, 0x9C8418, 0x1890A0, 0x28943C, 0xC040B0, 0xD03838, 0x4868F0};
  const int barCount = (int)(sizeof bars / sizeof bars[0]);
  paint(b, [&](int x, int y) {
    if (y < 160) return bars[x * barCount / 320];
    if (y < 176) return scale(bars[barCount - 1 - x * barCount / 320], 0.8);
    // Below, a castellation of blocks in four hues of the same light, then a sweep through the
    // hues, also of one light. No words here: the scene's zoom trails would double them.
    if (y < 194) {
      const uint32_t blocks[] = {0x3C9C9C, 0xC060B0, 0xB08840, 0x6C78E0};
      return blocks[(x / 20 + (y < 185 ? 0 : 2)) % 4];
    }
    const double hue = 2 * M_PI * x / 320;
    const double r = 128 + 52 * std::cos(hue), g = 128 + 52 * std::cos(hue - 2.1), bl = 128 + 52 * std::cos(hue + 2.1);
    const double lift = 128 / (0.2126 * r + 0.7152 * g + 0.0722 * bl); // every hue at mid grey's light
    return mix(rgb(r * lift, g * lift, bl * lift), 0x6A6A8A, std::clamp((y - 194) / 46.0, 0.0, 1.0) * 0.6);
  });
  // The ident plate, rounded, with the title's lettering.
  for (int y = 58; y < 146; ++y)
    for (int x = 58; x < 262; ++x) {
      const double cx = std::max({0.0, 68.0 - x, x - 251.0}), cy = std::max({0.0, 68.0 - y, y - 135.0});
      if (std::hypot(cx, cy) <= 10) b.pixels[y * 320 + x] = mix(0x706494, 0x5C5080, (y - 58) / 88.0);
    }
  title(b, "ZUB", 72, 160, 128, 0xC8A050, 0x8C6020);
  paint(b, [&](int x, int y) {
    const uint32_t c = b.pixels[y * b.width + x];
    // Scanlines, and a brighter band a quarter of the way up, rolling as on a set losing its hold.
    const double band = 1 + 0.18 * std::exp(-std::pow((y - 200) / 10.0, 2)), line = y % 2 ? 0.9 : 1.0;
    return scale(c, band * line);
  });
}

// Dusk over the hills, the landscape scene's sky once more. The words stand in the upper third:
// the logo waves across the lower two thirds (centred 50 units below the middle) and never
// reaches them.
void finale(Bitmap& b) {
  const int horizon = 176;
  paint(b, [](int x, int y) {
    if (y < horizon) {
      double v = (double)y / horizon;
      uint32_t sky = v < 0.55 ? mix(0x080A30, 0x4A1C68, v / 0.55) : mix(0x4A1C68, 0xF07848, std::pow((v - 0.55) / 0.45, 1.3));
      return add(sky, scale(0x201008, 0.5 + 0.5 * std::sin(x * 0.017 + 1)));
    }
    return mix(0x2A1240, 0x08040E, std::pow((double)(y - horizon) / (240 - horizon), 0.7));
  });
  stars(b, 41, 60, 120);
  glow(b, 160, horizon, 110, 0x603018);
  glow(b, 160, horizon, 34, 0xFFC070);
  // Still water below the hills, with the sun's glow laid on it in broken streaks.
  for (int y = horizon; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      double d = (double)(y - horizon) / (240 - horizon), spread = (x - 160) / (26 + 40 * d);
      double streak = std::exp(-spread * spread) * (0.5 + 0.5 * std::sin(y * 1.9 + std::sin(x * 0.3))) * (1 - d);
      b.pixels[y * 320 + x] = add(mix(0x2A1240, 0x08040E, std::pow(d, 0.7)), scale(0xF08848, 0.55 * streak));
    }
  for (int x = 0; x < 320; ++x) {
    double h = 14 + 8 * std::sin(x * 0.043 + 2) + 5 * std::sin(x * 0.11) + 3 * std::sin(x * 0.29 + 1);
    for (int y = horizon - (int)h; y < horizon; ++y) b.pixels[y * 320 + x] = mix(0x3A1A50, 0x1A0C2C, (double)(y - horizon + h) / h);
  }
  title(b, "thank you", 40, 160, 52, 0xFFFFFF, 0xFFE0A0);
  title(b, "for watching", 24, 160, 82, 0xFFF4E0, 0xFFD8A0);
}

void water(Bitmap& b) {
  paint(b, [](int x, int y) {
    double v = std::sin(std::hypot(x - 100, y - 90) * 0.2) + std::sin(std::hypot(x - 240, y - 170) * 0.17);
    return rgb(20 + 30 * v, 90 + 50 * v, 170 + 60 * v);
  });
}

void wood(Bitmap& b) {
  Noise n(29);
  std::vector<double> grain(320);
  for (double& g : grain) g = n.next();
  paint(b, [&grain](int x, int y) {
    double v = 0.5 + 0.5 * std::sin(x * 0.12 + 4 * std::sin(y * 0.02 + x * 0.01)) * 0.6 + grain[x] * 0.2;
    return rgb(120 * v + 60, 70 * v + 30, 30 * v + 10);
  });
}

// The greetings' portrait: turned toward the words, which scroll up the left of the picture
// through the dark, and lit from the right, so the side of her face they pass stays in shadow.
PortraitStyle greetsPortrait() {
  PortraitStyle p;
  p.cx = 212, p.cy = 104, p.rx = 44, p.ry = 56, p.turn = -0.35, p.lightX = 0.8, p.lightY = -0.45, p.lightZ = 0.6, p.ambient = 0.2;
  p.skin = 0xF0C4A4, p.hair = 0x3A1E12, p.iris = 0x6A4020, p.lips = 0xB03848, p.clothes = 0x40204A;
  p.backTop = 0x1E0C30, p.backBottom = 0x040208, p.bokeh = 0x9050D0, p.rim = 0xB070FF, p.hairStyle = 1, p.seed = 5;
  return p;
}

// The portrait scene's: face on, waves and edge detection drawing her out in lines. The edge
// detector sees a black row above the picture, so the background fades to black at the top:
// otherwise its first row comes out as a bright line along the frame's edge.
PortraitStyle sisterPortrait() {
  PortraitStyle p;
  p.cx = 160, p.cy = 106, p.rx = 45, p.ry = 57, p.lightX = -0.6, p.lightY = -0.55;
  p.skin = 0xECB898, p.hair = 0xA8381C, p.iris = 0x3A7A50, p.lips = 0xC03A48, p.clothes = 0x1A4858;
  p.backTop = 0x124058, p.backBottom = 0x030C16, p.bokeh = 0xE0A050, p.rim = 0x70C8FF, p.hairStyle = 0, p.seed = 9;
  p.topFade = 32, p.freckles = 1;
  return p;
}

// The last portrait: wild hair full of sparks. The scene ends zoomed into her right eye (the
// rectangle (50, 107, 32 x 20) of this picture).
PortraitStyle electricPortrait() {
  PortraitStyle p;
  p.cx = 87, p.cy = 119, p.rx = 48, p.ry = 60, p.lightX = 0.5, p.lightY = -0.6, p.ambient = 0.25;
  p.skin = 0xC8D4F0, p.hair = 0x3A3C84, p.iris = 0x4080E0, p.lips = 0x9A3A6A, p.clothes = 0x2A3468;
  p.backTop = 0x0A1030, p.backBottom = 0x020308, p.bokeh = 0x4090FF, p.rim = 0x60A0FF, p.hairStyle = 2, p.seed = 13;
  return p;
}

// The greetings, added over the portrait as they scroll up: a column down the left, where the
// picture stays dark (the background and the shadowed side of her face), so the words keep their
// contrast all the way up.
void greetings(Bitmap& b) {
  // Groups of our own invention, as a demo greets its friends by name.
  const char* lines[] = {"greetings to", "", "Byte Orchard", "Null Carrot", "Sine Harbour", "Quartz Owls", "Vector Tea",
                         "Lumen Drift", "Paper Moth", "Hex Lantern", "and you", "", "zub"};
  int y = 120;
  for (const char* line : lines) {
    // The heading a little larger than the names, and no wider than the column it is centred in,
    // which keeps ten pixels clear of her hair.
    int size = line == lines[0] ? 20 : line == lines[12] ? 30 : 18;
    if (*line) drawTextCentred(&b, line, size, 57, y, 0xFFF4E4);
    y += 70;
  }
}

void goldLettering(Bitmap& b) {
  paint(b, [&b](int x, int y) {
    double v = 1 - (double)y / (b.height - 1); // 0 at the letters' foot, 1 at their top
    double shimmer = 0.04 * std::sin(x * 0.07 + y * 0.02);
    uint32_t c = v > 0.44 ? mix(0xD88A20, 0xFFF4B8, std::pow((v - 0.44) / 0.56, 0.8))
                          : mix(0x8A3A08, 0xE89A30, std::pow(v / 0.44, 1.4));
    return scale(c, 1 + shimmer);
  });
}

// An environment map as the renderer reads one: the picture's centre is what a surface facing
// the viewer mirrors, its top what a surface facing up mirrors. Soft gradients only (a sky over a
// ground, a glowing horizon, two broad lights), so a curved mirror shows smooth reflections
// rather than bands and hard shapes.
void environment(Bitmap& b, uint32_t zenith, uint32_t sky, uint32_t horizon, uint32_t ground, uint32_t depths, uint32_t light,
                 double horizonWidth = 0.05, double horizonGain = 0.45) {
  paint(b, [&](int x, int y) {
    double up = (b.height / 2.0 - y) / (b.height / 2.0);
    double wave = 0.04 * std::sin(x * 0.05 + 2 * std::sin(y * 0.04));
    uint32_t c = up > 0 ? (up < 0.45 ? mix(horizon, sky, up / 0.45 + wave) : mix(sky, zenith, (up - 0.45) / 0.55))
                        : mix(ground, depths, std::pow(-up, 0.6));
    return add(c, scale(light, horizonGain * std::exp(-std::pow(up / horizonWidth, 2))));
  });
  glow(b, b.width * 0.28, b.height * 0.22, b.width * 0.22, scale(light, 0.6));
  glow(b, b.width * 0.78, b.height * 0.3, b.width * 0.12, scale(light, 0.35));
}

// A light box: `colour` added over a rounded rectangle whose rim fades over `edge` pixels, a little
// brighter toward its middle, as a diffuser is.
void softBox(Bitmap& b, double cx, double cy, double halfWidth, double halfHeight, double edge, uint32_t colour) {
  const double corner = std::min(halfWidth, halfHeight) * 0.4;
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) {
      const double dx = std::max(std::abs(x + 0.5 - cx) - halfWidth + corner, 0.0);
      const double dy = std::max(std::abs(y + 0.5 - cy) - halfHeight + corner, 0.0);
      const double outside = std::hypot(dx, dy) - corner; // < 0 inside
      const double t = std::clamp(0.5 - outside / edge, 0.0, 1.0);
      if (t <= 0) continue;
      const double centre = 1 - 0.18 * std::hypot((x - cx) / halfWidth, (y - cy) / halfHeight);
      uint32_t& p = b.pixels[y * b.width + x];
      p = add(p, scale(colour, t * t * (3 - 2 * t) * std::clamp(centre, 0.6, 1.0)));
    }
}

// The chrome rings' surroundings: a photographer's studio. Dark graphite walls and ceiling, the
// bright seam where they meet the pale floor, two diffused light boxes and a warm strip at the
// side. Chrome reads as metal by the contrast of what it mirrors, and neutral greys and whites
// stand out on both the green lights and the pink swirl behind the rings; surroundings in the
// backdrops' own violets made it read as lilac plastic on lilac. The boxes stay under full white,
// so that the highlight the lights add keeps some shape.
void chrome(Bitmap& b) {
  paint(b, [&](int x, int y) {
    const double up = (b.height / 2.0 - y) / (b.height / 2.0);
    const double wave = 0.03 * std::sin(x * 0.05 + 2 * std::sin(y * 0.04));
    const uint32_t c = up > 0 ? mix(0x4A5262, 0x101218, std::pow(up, 0.6) + wave)
                              : mix(0x948E88, 0x1E1A18, std::pow(-up, 0.75));
    return add(c, scale(0xD8DEE8, 0.55 * std::exp(-std::pow(up / 0.06, 2))));
  });
  softBox(b, b.width * 0.27, b.height * 0.19, b.width * 0.15, b.height * 0.09, 16, 0xD8DCE6);
  softBox(b, b.width * 0.79, b.height * 0.3, b.width * 0.035, b.height * 0.17, 12, 0xB8C8E8);
  softBox(b, b.width * 0.06, b.height * 0.42, b.width * 0.018, b.height * 0.2, 10, 0xD07850);
}

// Gold: the bump-mapped ring's surroundings and the craft's skin. Its horizon is a broad warm glow
// and sky and ground meet without a step: the ring's rippling surface sweeps the horizon across
// whole faces, where a thin bright line read as a seam. Its light is a deep gold with little blue,
// so that the white the lights' highlight adds turns the brightest reflections pale gold rather
// than flat white.
void goldEnvironment(Bitmap& b) { environment(b, 0x5A3208, 0xC88A2C, 0xE09C3C, 0xE09C3C, 0x241002, 0xFFB040, 0.18, 0.3); }

// Heights for the bump map. The map stores grey - 127 in a signed byte, so white (255) would wrap
// to the lowest height and draw a dark contour. The greys stop at 170: the scene lifts the shading
// by the height plus a bias, and from the greys above that the lift reached past the angle to the
// light over whole swirl arms, which then all took the full highlight and went flat white.
void swirlHeights(Bitmap& b) {
  paint(b, [](int x, int y) {
    double r = std::hypot(x - 160, y - 120), a = std::atan2(y - 120, x - 160);
    double v = 0.5 + 0.5 * std::sin(a * 5 + r * 0.08);
    return rgb(4 + 166 * v, 4 + 166 * v, 4 + 166 * v);
  });
}

void defaultCard(Bitmap& b) {
  paint(b, [](int x, int y) { return ((x / 20 + y / 20) % 2) ? 0x404040 : 0x606060; });
  title(b, "default", 40, 160, 135, 0xFFFFFF, 0xA0A0A0);
}

struct Picture {
  const char* file;
  int width, height;
  std::function<void(Bitmap&)> draw;
};

} // namespace

namespace {

void icon(Bitmap& b) {
  const int n = b.width;
  paint(b, [n](int, int y) { return mix(0x182060, 0x02030C, (double)y / n); });
  glow(b, n * 0.5, n * 0.42, n * 0.6, 0x302060);
  // Big enough to fill the tile, with a shadow that stays a pixel wide at 16 x 16.
  int size = n * 94 / 100, baseline = n * 84 / 100, shadow = std::max(1, n / 32);
  Gradient g{0xFFF0A0, 0xC06010, baseline - size * 3 / 4, baseline};
  drawTextCentred(&b, "Z", size, n / 2 + shadow, baseline + shadow, 0x000000);
  drawTextCentred(&b, "Z", size, n / 2, baseline, 0, gradientPaint, &g);
}

zub::Failure readFile(const std::string& path, std::string& bytes) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return zub::failure(1, "cannot read %s: %s\n", path.c_str(), strerror(errno));
  char buffer[65536];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, got);
  fclose(f);
  return {};
}

void putLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back((char)(value >> (8 * i) & 0xFF));
}

// One picture of an icon file in the classic form every Windows reads: a bitmap header, the
// pixels bottom-up as blue, green, red, alpha, then the (empty) transparency mask.
std::string iconBitmap(const Bitmap& b) {
  std::string out;
  const uint32_t n = (uint32_t)b.width, maskRow = (n + 31) / 32 * 4;
  putLe(out, 40, 4);
  putLe(out, n, 4);
  putLe(out, 2 * n, 4); // colour and mask together
  putLe(out, 1, 2);
  putLe(out, 32, 2);
  putLe(out, 0, 4);
  putLe(out, n * n * 4 + maskRow * n, 4);
  putLe(out, 0, 16);
  for (int y = (int)n - 1; y >= 0; --y)
    for (uint32_t x = 0; x < n; ++x) putLe(out, 0xFF000000u | b.pixels[y * n + x], 4);
  out.append(maskRow * n, '\0');
  return out;
}

} // namespace

zub::Failure writeIcons(const std::string& folder) {
  if (zub::Failure failed = textInit()) return failed;
  const int sizes[] = {16, 24, 32, 48, 64, 128, 256};
  std::vector<std::string> entries;
  for (int size : sizes) {
    Bitmap b(size, size);
    icon(b);
    std::string path = folder + "/zubdemo-" + std::to_string(size) + ".png";
    if (zub::Failure failed = zub::writePng(path, b.pixels, size, size)) return failed;
    entries.emplace_back();
    // The largest is stored as its PNG file, the way icon files keep it small.
    if (size != 256) entries.back() = iconBitmap(b);
    else if (zub::Failure failed = readFile(path, entries.back())) return failed;
  }
  // An icon directory: a header, one entry per picture (a size of 256 is written as 0), then the
  // pictures themselves.
  std::string ico;
  const int count = (int)entries.size();
  putLe(ico, 0, 2);
  putLe(ico, 1, 2);
  putLe(ico, (uint32_t)count, 2);
  uint32_t offset = 6 + 16 * (uint32_t)count;
  for (int i = 0; i < count; ++i) {
    putLe(ico, sizes[i] & 0xFF, 1);
    putLe(ico, sizes[i] & 0xFF, 1);
    putLe(ico, 0, 2);  // no palette, reserved
    putLe(ico, 1, 2);  // colour planes
    putLe(ico, 32, 2); // bits per pixel
    putLe(ico, (uint32_t)entries[i].size(), 4);
    putLe(ico, offset, 4);
    offset += (uint32_t)entries[i].size();
  }
  for (const std::string& entry : entries) ico += entry;
  std::string path = folder + "/zubdemo.ico";
  FILE* f = fopen(path.c_str(), "wb");
  if (!f || fwrite(ico.data(), 1, ico.size(), f) != ico.size() || fclose(f) != 0)
    return zub::failure(1, "cannot write %s: %s\n", path.c_str(), strerror(errno));
  return {};
}

zub::Failure writePictures(const std::string& folder, int& written) {
  written = 0;
  if (zub::Failure failed = textInit()) return failed;
  const std::vector<Picture> pictures = {
      {"default.jpg", 320, 240, defaultCard},
      {"dat/logo.jpg", 320, 240, logo},
      {"dat/ridud.jpg", 320, 240, secondTitle},
      {"dat/code.jpg", 320, 240, [](Bitmap& b) { credit(b, "code", "the zub crew", 0x2060C0); }},
      {"dat/music.jpg", 320, 240, [](Bitmap& b) { credit(b, "music", "composed by the generator", 0xA03080); }},
      {"dat/gfx.jpg", 320, 240, [](Bitmap& b) { graphicsCard(b); }},
      {"dat/redchin.jpg", 320, 240, redBackground},
      {"dat/guitar.jpg", 320, 240, strings},
      {"dat/bazooka.jpg", 400, 300, skyline},
      {"dat/boo.jpg", 320, 240, ghosts},
      {"dat/pink666.jpg", 320, 240, pinkRings},
      {"dat/scape.jpg", 320, 240, landscape},
      {"dat/lumored.jpg", 320, 240, tunnel},
      {"dat/cage.jpg", 320, 240, cage},
      {"dat/egg.jpg", 320, 240, egg},
      {"dat/static.jpg", 320, 240, tvStatic},
      {"dat/mewmew.jpg", 320, 240, finale},
      {"dat/water.jpg", 320, 240, water},
      {"dat/cabtex.jpg", 320, 240, wood},
      {"dat/lumoside.jpg", 320, 240, [](Bitmap& b) { paintPortrait(b, greetsPortrait()); }},
      {"dat/sister.jpg", 320, 240, [](Bitmap& b) { paintPortrait(b, sisterPortrait()); }},
      {"dat/lumoelec.jpg", 240, 220,
       [](Bitmap& b) {
         paintPortrait(b, electricPortrait());
         // It is mixed in over the middle of the full-frame portrait scene, whose smeared edge
         // picture lies round it: it fades to black in an oval, a spotlight on her, where a fade along
         // its sides drew a dark frame round a box.
         for (int y = 0; y < b.height; ++y)
           for (int x = 0; x < b.width; ++x) {
             double r = std::hypot((x + 0.5 - b.width / 2.0) / (b.width / 2.0), (y + 0.5 - b.height / 2.0) / (b.height / 2.0));
             double edge = std::clamp((1.0 - r) / 0.3, 0.0, 1.0);
             uint32_t& p = b.pixels[y * b.width + x];
             if (edge < 1) p = scale(p, edge * edge * (3 - 2 * edge));
           }
       }},
      {"dat/greets.jpg", 240, 1040, greetings},
      {"dat/white.jpg", 320, 240, goldLettering},
      {"dat/yellow.jpg", 320, 240, goldEnvironment},
      {"dat/butt.jpg", 320, 240, chrome},
      {"dat/swirl.jpg", 320, 240, swirlHeights},
  };
  for (const Picture& p : pictures) {
    Bitmap picture(p.width, p.height);
    if (!picture.ok()) zub::fatal(picture.failure);
    p.draw(picture);
    if (zub::Failure failed = zub::writeJpeg(folder + "/" + p.file, picture.pixels, picture.width, picture.height, 90))
      return failed;
    ++written;
  }
  return {};
}

} // namespace assets
