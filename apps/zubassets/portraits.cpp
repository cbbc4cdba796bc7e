#include "portraits.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "image/bitmap.h"
#include "paint.h"

namespace assets {

namespace {

struct Colour {
  double r = 0, g = 0, b = 0;
  Colour operator*(double k) const { return {r * k, g * k, b * k}; }
  Colour operator+(const Colour& o) const { return {r + o.r, g + o.g, b + o.b}; }
};
Colour colour(uint32_t c) { return {channel(c, 16), channel(c, 8), channel(c, 0)}; }
Colour over(const Colour& under, const Colour& top, double alpha) { return under * (1 - alpha) + top * alpha; }
Colour tint(const Colour& c, double r, double g, double b) { return {c.r * r, c.g * g, c.b * b}; }

double clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
// Coverage of a shape at a signed distance (pixels, negative inside) from its edge.
double cover(double distance) { return clamp01(0.5 - distance); }
double gauss(double dx, double dy, double r) { return std::exp(-(dx * dx + dy * dy) / (r * r)); }

struct Bokeh {
  double x, y, r, k;
};

class Painter {
public:
  Painter(const PortraitStyle& style, int width, int height) : s(style), w(width), h(height) {
    double len = std::sqrt(s.lightX * s.lightX + s.lightY * s.lightY + s.lightZ * s.lightZ);
    lx = s.lightX / len, ly = s.lightY / len, lz = s.lightZ / len;
    Noise n(s.seed);
    for (int i = 0; i < 16; ++i) lights.push_back({n.next() * w, n.next() * h * 0.8, 6 + n.next() * 16, 0.25 + 0.75 * n.next()});
    fx = s.cx + s.turn * s.rx * 0.2;
    spark.assign((size_t)w * h, 0);
    if (s.hairStyle == 2) sparks(n);
  }

  Colour at(double x, double y) const {
    Colour c = background(x, y);
    c = hairBack(c, x, y);
    c = body(c, x, y);
    c = head(c, x, y);
    c = fringe(c, x, y);
    return c;
  }
  double sparkAt(int x, int y) const { return spark[(size_t)y * w + x]; }

private:
  const PortraitStyle& s;
  int w, h;
  double lx, ly, lz, fx;
  std::vector<Bokeh> lights;
  std::vector<double> spark;

  double headDistance(double x, double y) const {
    double u = (x - s.cx) / s.rx, v = (y - s.cy) / s.ry;
    u /= 1 - 0.3 * std::pow(std::max(0.0, v), 2); // the jaw narrows to the chin
    return (std::sqrt(u * u + v * v) - 1) * std::min(s.rx, s.ry);
  }

  // Shade of a surface with normal (nx, ny, nz): wrapped diffuse, so skin turns into shadow
  // softly, and a warm band along the turn.
  Colour lit(const Colour& base, double nx, double ny, double nz, double shine, double rimShare = 0.55) const {
    double d = nx * lx + ny * ly + nz * lz, wrap = clamp01((d + 0.45) / 1.45);
    // A soft fill from the viewer's side opposite the key, so the shadow side keeps its form
    // instead of dropping off at a hard line.
    double fill = 0.22 * clamp01(-nx * lx * 0.6 + nz * 0.8);
    double light = std::min(1.0, s.ambient + (1 - s.ambient) * wrap * wrap * (3 - 2 * wrap) + fill);
    Colour c = tint(base, light, light * (0.92 + 0.08 * wrap), light * (0.88 + 0.12 * wrap));
    double hx = lx, hy = ly, hz = lz + 1, hl = std::sqrt(hx * hx + hy * hy + hz * hz);
    double spec = std::pow(std::max(0.0, (nx * hx + ny * hy + nz * hz) / hl), 28) * shine;
    double rim = std::pow(clamp01(1 - nz), 3) * rimShare;
    Colour rimLight = colour(s.rim) * rim;
    return c + Colour{255, 250, 240} * spec + rimLight;
  }

  Colour background(double x, double y) const {
    Colour c = over(colour(s.backTop), colour(s.backBottom), clamp01(y / h));
    // The out-of-focus lights keep away from the figure: where hair of the background's own darkness
    // covered one, it read as a disc cut off by nothing.
    const double clear = clamp01((std::hypot((x - s.cx) / s.rx, (y - s.cy) / s.ry) - 1.3) / 0.8);
    for (const Bokeh& b : lights) {
      double d = std::hypot(x - b.x, y - b.y) - b.r;
      double disc = cover(d * 1.2) * (0.55 + 0.45 * clamp01((d + b.r) / b.r));
      c = c + colour(s.bokeh) * (0.18 * b.k * disc * clear);
    }
    c = c + colour(s.rim) * (0.22 * gauss(x - s.cx, y - s.cy, s.rx * 2.2));
    double vignette = 1 - 0.45 * std::pow(std::hypot((x - w / 2.0) / w, (y - h / 2.0) / h) * 1.4, 2);
    return c * vignette;
  }

  // Strands: bands that follow the hair's fall, broken by noise, with a sheen where the light
  // slides along them.
  Colour strands(double x, double y, double along, double across, double sheen) const {
    double fine = smoothNoise(across * 0.55, along * 0.04, s.seed) * 0.6 + smoothNoise(across * 1.7, along * 0.09, s.seed + 7) * 0.4;
    double k = 0.55 + 0.45 * fine + 0.9 * sheen * (0.6 + 0.4 * fine);
    Colour c = colour(s.hair) * k;
    double rim = clamp01(1 - std::fabs(headDistance(x, y) + s.rx * 0.25) / (s.rx * 0.5));
    return c + colour(s.rim) * (0.15 * rim);
  }

  Colour hairBack(Colour c, double x, double y) const {
    const double crownX = s.cx, crownY = s.cy - s.ry * 0.95;
    double dx = x - s.cx, dy = y - (s.cy - s.ry * 0.08);
    double r = std::hypot(dx / (s.rx * 1.2), dy / (s.ry * 1.16));
    double angle = std::atan2(y - crownY, x - crownX);
    double edge = (r - 1) * s.rx;
    if (s.hairStyle == 0) { // a curtain down to the shoulders
      double flare = s.rx * (1.18 + 0.22 * clamp01((y - s.cy) / s.ry));
      double bottom = s.cy + s.ry * 1.75 + 5 * std::sin(x * 0.21) + 3 * std::sin(x * 0.53);
      if (y > s.cy - s.ry * 0.2) edge = std::min(edge, std::max(std::fabs(dx) - flare, y - bottom));
    } else if (s.hairStyle == 1) { // a bob: cut level with the jaw, curling under
      double bottom = s.cy + s.ry * 0.62 - 4 * std::pow(dx / s.rx, 2);
      edge = std::max(edge, y - bottom);
    } else { // wild: spikes all round the top
      double spikes = 0.22 * std::fabs(std::sin(angle * 7 + 1)) + 0.12 * std::fabs(std::sin(angle * 13 + 2));
      double rr = std::hypot(dx / (s.rx * 1.35), dy / (s.ry * 1.25));
      edge = (rr - 1 - spikes) * s.rx;
      // Below the ears it thins out over a ragged line rather than stopping at a level cut.
      double bottom = s.cy + s.ry * (0.75 + 0.1 * std::sin(x * 0.23) + 0.06 * std::sin(x * 0.61 + 1));
      edge = std::max(edge, (y - bottom) * 0.25);
    }
    double a = cover(edge);
    if (a <= 0) return c;
    double along = std::hypot(x - crownX, y - crownY), across = angle * 60;
    if (s.hairStyle == 0 && y > s.cy) across = dx * 0.9 + 4 * std::sin(y * 0.04);
    double sheen = gauss(0, along - s.ry * 0.75, s.ry * 0.18) * clamp01(0.6 - angle * 0.2);
    Colour hair = strands(x, y, along, across, sheen) * (0.65 + 0.35 * clamp01(-edge / 12));
    return over(c, hair, a);
  }

  Colour body(Colour c, double x, double y) const {
    // Neck and chest: the neck's sides flare into the shoulders; the clothes start at a scooped
    // neckline and slope down to the shoulders.
    const double neckX = s.cx + s.turn * s.rx * 0.1, base = s.cy + s.ry * 1.15;
    double halfWidth = s.rx * 0.47 + std::pow(std::max(0.0, y - base), 1.6) * 0.12;
    double skinEdge = std::max(std::fabs(x - neckX) - halfWidth, (s.cy + s.ry * 0.4) - y);
    double ux = (x - neckX) / s.rx;
    double neckline = s.cy + s.ry * 1.42 + s.ry * 0.3 * std::max(0.0, 1 - std::pow(ux / 0.8, 2));
    double shoulder = s.cy + s.ry * 1.3 + s.ry * 0.12 * ux * ux + s.ry * 0.6 * std::pow(std::max(0.0, std::fabs(ux) - 1.7), 2);
    double clothesTop = std::max(neckline, shoulder);
    // Rounded shoulders, then sleeves that cover the arms down to the frame's bottom.
    double widthEdge = std::fabs(x - s.cx) - s.rx * (2.05 + 0.45 * std::sqrt(clamp01((y - shoulder) / (s.ry * 0.6))) +
                                                     1.8 * clamp01((y - shoulder) / s.ry));
    double skinA = cover(skinEdge);
    if (skinA > 0) {
      double nx = clamp01((x - neckX) / (halfWidth * 2) + 0.5) * 2 - 1, nz = std::sqrt(std::max(0.05, 1 - nx * nx * 0.8));
      double jawShadow = 0.35 + 0.65 * clamp01((y - (s.cy + s.ry * 0.98)) / (s.ry * 0.4));
      Colour skin = lit(colour(s.skin), nx, 0.15, nz, 0.05, 0.25) * jawShadow;
      skin = skin * (1 - 0.15 * gauss(0, y - (s.cy + s.ry * 1.45), s.ry * 0.06) * clamp01(std::fabs(ux) * 2)); // collarbones
      c = over(c, skin, skinA);
    }
    double clothesA = cover(std::max(clothesTop - y, widthEdge));
    if (clothesA > 0) {
      double nx = std::clamp((x - s.cx) / (s.rx * 2.2), -1.0, 1.0), nz = std::sqrt(std::max(0.05, 1 - nx * nx));
      double folds = 0.85 + 0.15 * std::sin(x * 0.11 + std::sin(y * 0.07) * 2);
      Colour cloth = lit(colour(s.clothes), nx, -0.4, nz, 0.08) * folds;
      cloth = cloth * (0.75 + 0.25 * clamp01((y - clothesTop) / 4)); // the hem's own shadow
      c = over(c, cloth, clothesA);
    }
    return c;
  }

  Colour head(Colour c, double x, double y) const {
    double d = headDistance(x, y);
    double a = cover(d);
    if (a <= 0) return c;
    double u = (x - s.cx) / s.rx, v = (y - s.cy) / s.ry;
    u /= 1 - 0.3 * std::pow(std::max(0.0, v), 2);
    double nz = std::sqrt(std::max(0.03, 1 - u * u - v * v)), len = std::sqrt(u * u + v * v * 0.8 + nz * nz);
    Colour skin = colour(s.skin);
    // A face is not one colour: the forehead a little golden, the middle (cheeks, nose, ears)
    // ruddier, the jaw cooler; and skin is never smooth, so a faint mottle breaks up the plastic.
    skin = over(skin, tint(skin, 1.03, 1.0, 0.9), clamp01((-v - 0.25) / 0.4));
    skin = over(skin, tint(skin, 0.95, 0.97, 1.04), clamp01((v - 0.5) / 0.35));
    skin = skin * (0.97 + 0.06 * smoothNoise(x * 0.6, y * 0.6, s.seed + 3));
    // Cheeks warmer, the eye sockets and under the nose a little darker.
    for (int side = -1; side <= 1; side += 2) {
      skin = over(skin, Colour{236, 118, 118}, 0.18 * gauss(x - (fx + side * s.rx * 0.5), y - (s.cy + s.ry * 0.3), s.rx * 0.24));
      skin = skin * (1 - 0.12 * gauss(x - eyeX(side), y - eyeY(), s.rx * 0.26));
    }
    skin = over(skin, Colour{226, 110, 100}, 0.14 * gauss(x - (fx + s.turn * s.rx * 0.08), y - (s.cy + s.ry * 0.3), s.rx * 0.1));
    // Freckles over the nose and cheeks: small soft dots, denser toward the middle.
    if (s.freckles > 0) {
      const double cell = 3.2;
      int gx = (int)std::floor(x / cell), gy = (int)std::floor(y / cell);
      for (int j = gy - 1; j <= gy + 1; ++j)
        for (int i = gx - 1; i <= gx + 1; ++i) {
          double px = (i + hash(i, j, s.seed + 11)) * cell, py = (j + hash(i, j, s.seed + 12)) * cell;
          double band = gauss((px - fx) * 0.6, (py - (s.cy + s.ry * 0.2)) * 2.2, s.rx * 0.5);
          if (hash(i, j, s.seed + 13) > band * s.freckles) continue;
          skin = over(skin, tint(skin, 0.84, 0.72, 0.62), 0.5 * gauss(x - px, y - py, 0.65));
        }
    }
    Colour face = lit(skin, u / len, v * 0.9 / len, nz / len, 0.18, 0.25);
    face = nose(face, x, y);
    face = mouth(face, x, y);
    for (int side = -1; side <= 1; side += 2) {
      face = brow(face, x, y, side);
      face = eye(face, x, y, side);
    }
    return over(c, face, a);
  }

  double eyeX(int side) const { return fx + side * s.rx * 0.42 * (1 - side * 0.3 * s.turn); }
  double eyeY() const { return s.cy - s.ry * 0.02; }
  double eyeWidth(int side) const { return s.rx * 0.215 * (1 - side * 0.35 * s.turn); }

  Colour eye(Colour c, double x, double y, int side) const {
    const double ex = eyeX(side), ey = eyeY(), ew = eyeWidth(side), eh = s.rx * 0.095;
    double dx = (x - ex) / ew, dy = y - ey;
    if (std::fabs(dx) > 1.3 || std::fabs(dy) > eh * 3.5) return c;
    double outer = clamp01(dx * side); // toward the eye's outer corner
    double bow = std::max(0.0, 1 - dx * dx);
    double upper = -eh * bow * (1 + 0.2 * dx * side), lower = eh * 0.8 * bow;
    // The crease above the lid.
    c = c * (1 - 0.22 * cover(std::fabs(dy - (upper - eh * 0.9)) - 0.7) * clamp01(1.1 - std::fabs(dx)));
    double inside = std::max(upper - dy, dy - lower);
    double a = cover(inside) * (std::fabs(dx) < 1 ? 1 : 0);
    if (a > 0) {
      Colour white = Colour{236, 230, 226} * (0.78 + 0.22 * clamp01((dy - upper) / (eh * 0.9))) * (1 - 0.25 * std::fabs(dx));
      const double ix = ex - side * s.turn * ew * 0.15, iy = ey + eh * 0.15, ir = eh * 1.05;
      double r = std::hypot(x - ix, y - iy);
      double irisA = cover(r - ir);
      if (irisA > 0) {
        double t = r / ir, around = std::atan2(y - iy, x - ix);
        Colour iris = colour(s.iris) * ((1.25 - 0.5 * t) * (0.85 + 0.15 * std::sin(around * 17)) * (t > 0.82 ? 0.6 : 1));
        iris = iris * (0.6 + 0.4 * clamp01((dy - upper) / (eh * 0.8))); // the lid's shadow
        iris = over(iris, Colour{12, 10, 14}, cover(r - ir * 0.42));
        white = over(white, iris, irisA);
      }
      // Catch lights: the key light and a small second one.
      white = over(white, Colour{255, 255, 255}, cover(std::hypot(x - (ix - ir * 0.38), y - (iy - ir * 0.42)) - ir * 0.3));
      white = over(white, Colour{255, 255, 255}, 0.7 * cover(std::hypot(x - (ix + ir * 0.35), y - (iy + ir * 0.3)) - ir * 0.13));
      c = over(c, white, a);
    }
    // Lash line along the upper lid, thicker toward the outer corner, and a flick past it.
    double lash = std::fabs(dy - upper) - (0.8 + 1.1 * outer);
    c = over(c, Colour{34, 22, 24}, cover(lash) * (std::fabs(dx) < 1.05 ? 1 : 0));
    if (dx * side > 0.9 && dx * side < 1.25) {
      double flickY = upper - (dx * side - 0.9) * eh * 1.2;
      c = over(c, Colour{34, 22, 24}, cover(std::fabs(dy - flickY) - 0.7));
    }
    c = c * (1 - 0.25 * cover(std::fabs(dy - lower) - 0.5) * (std::fabs(dx) < 1 ? 1 : 0));
    return c;
  }

  Colour brow(Colour c, double x, double y, int side) const {
    const double bx = eyeX(side) + side * s.rx * 0.03, by = eyeY() - s.rx * 0.27, bw = eyeWidth(side) * 1.25;
    double dx = (x - bx) / bw;
    if (std::fabs(dx) > 1) return c;
    double centre = by - s.rx * 0.06 * (1 - std::pow(dx + side * 0.25, 2)), thick = s.rx * 0.045 * (1 - 0.6 * std::fabs(dx + side * 0.3));
    double a = cover(std::fabs(y - centre) - thick) * clamp01((1 - std::fabs(dx)) * 4);
    return over(c, colour(s.hair) * 0.7, 0.85 * a);
  }

  Colour nose(Colour c, double x, double y) const {
    const double nx = fx + s.turn * s.rx * 0.08, ny = s.cy + s.ry * 0.3, side = s.lightX > 0 ? -1 : 1;
    double bridge = gauss((x - (nx + side * s.rx * 0.1)) * 2.2, 0, s.rx * 0.2) * clamp01((y - eyeY()) / (ny - eyeY())) *
                    clamp01((ny + 4 - y) / 4);
    c = c * (1 - 0.2 * bridge);
    c = c * (1 - 0.2 * gauss(x - nx, (y - (ny + s.ry * 0.09)) * 1.8, s.rx * 0.2)); // shadow under the nose
    // Soft nostrils either side of a rounded tip, and light down the bridge on the lit side.
    for (int k = -1; k <= 1; k += 2)
      c = c * (1 - 0.28 * gauss((x - (nx + k * s.rx * 0.09)) / 1.8, y - (ny + s.ry * 0.035), s.rx * 0.045));
    c = c * (1 - 0.12 * gauss((x - nx) / 2.5, y - (ny + s.ry * 0.07), s.rx * 0.05));
    c = c + Colour{255, 240, 230} * (0.06 * gauss((x - (nx - side * s.rx * 0.05)) * 2.5, 0, s.rx * 0.25) *
                                     clamp01((y - eyeY()) / (ny - eyeY())) * clamp01((ny - y) / 3));
    return c + Colour{255, 240, 230} * (0.12 * gauss(x - (nx - s.lightX * 3), y - (ny - 2), s.rx * 0.07));
  }

  Colour mouth(Colour c, double x, double y) const {
    const double mx = fx + s.turn * s.rx * 0.1, my = s.cy + s.ry * 0.56, mw = s.rx * 0.34, lh = s.ry * 0.07;
    double dx = (x - mx) / mw;
    if (std::fabs(dx) > 1.1) return c;
    double bow = std::max(0.0, 1 - std::pow(std::fabs(dx), 2.2));
    double cupid = 1 - 0.35 * std::exp(-std::pow(dx * 5, 2));
    double top = my - lh * cupid * bow * 1.1, bottom = my + lh * 1.35 * bow;
    Colour lips = over(colour(s.lips), colour(s.skin), 0.25); // lips are skin too, only redder
    double upperA = cover(std::max(top - y, y - my));
    c = over(c, lips * 0.78, upperA);
    double lowerA = cover(std::max(my - y, y - bottom));
    Colour lower = lips * (0.95 + 0.3 * gauss(x - mx, y - (my + lh * 0.55), mw * 0.35));
    c = over(c, lower, lowerA);
    c = over(c, Colour{255, 236, 236}, 0.3 * gauss((x - mx - mw * 0.15) * 0.5, y - (my + lh * 0.5), lh * 0.45));
    // The corners tuck in, a little darker.
    for (int k = -1; k <= 1; k += 2) c = c * (1 - 0.18 * gauss(x - (mx + k * mw * 0.98), y - my, lh * 0.8));
    c = over(c, lips * 0.35, cover(std::fabs(y - my) - 0.6) * clamp01(bow * 3));
    return c * (1 - 0.15 * gauss(x - mx, (y - (bottom + lh * 0.9)) * 1.5, mw * 0.5)); // shade under the lip
  }

  Colour fringe(Colour c, double x, double y) const {
    double d = headDistance(x, y) - s.rx * 0.1;
    if (d > 2) return c;
    double u = (x - s.cx) / s.rx, sweep = s.lightX > 0 ? -1 : 1;
    // Swept to one side, its edge in rounded locks, or for wild hair in pointed strands.
    double phase = x * 0.085 + u * 0.5, zigzag = 1 - 2 * std::fabs(phase - std::floor(phase) - 0.5);
    double locks = s.hairStyle == 2 ? 7 * (0.75 + 0.25 * std::sin(x * 0.13)) * zigzag - 1
                                    : 3 * std::fabs(std::sin(x * 0.28 + u * 2));
    double line = s.cy - s.ry * 0.6 + s.ry * 0.22 * clamp01((u * sweep + 1) / 2) + locks;
    double edge = std::max(d, y - line);
    { // locks framing the face down its sides, curving in toward the jaw
      double v = (y - s.cy) / s.ry, end = s.hairStyle == 1 ? 0.62 : s.hairStyle == 2 ? 0.3 : 0.45;
      double inner = 0.8 - 0.1 * std::max(0.0, 1 - std::pow((v + 0.1) / 0.8, 2)) + 0.06 * std::sin(y * 0.15);
      double lock = std::max(std::max(d, (inner - std::fabs(u)) * s.rx), (v - end) * s.ry);
      edge = std::min(edge, lock);
    }
    double a = cover(edge / 1.5);
    if (a <= 0) return c;
    const double crownY = s.cy - s.ry * 0.95;
    double along = std::hypot(x - s.cx, y - crownY), across = std::atan2(y - crownY, x - s.cx) * 60;
    double sheen = gauss(0, along - s.ry * 0.55, s.ry * 0.15);
    return over(c, strands(x, y, along, across, sheen), a);
  }

  // Distance from (x, y) to the segment a-b.
  static double segment(double x, double y, double ax, double ay, double bx, double by) {
    double vx = bx - ax, vy = by - ay, t = clamp01(((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy + 1e-9));
    return std::hypot(x - (ax + vx * t), y - (ay + vy * t));
  }

  // Sparks of blue light running out of wild hair, a thin bright core in a soft glow, drawn once
  // into a glow buffer.
  void sparks(Noise& n) {
    for (int bolt = 0; bolt < 6; ++bolt) {
      double x = s.cx + (n.next() - 0.5) * s.rx * 0.8, y = s.cy - s.ry * 0.75, angle = -M_PI / 2 + (bolt - 2.5) * 0.5;
      for (int step = 0; step < 16; ++step) {
        angle += (n.next() - 0.5) * 1.1;
        double nx = x + std::cos(angle) * 6, ny = y + std::sin(angle) * 6;
        for (int py = (int)std::min(y, ny) - 7; py <= (int)std::max(y, ny) + 7; ++py)
          for (int px = (int)std::min(x, nx) - 7; px <= (int)std::max(x, nx) + 7; ++px) {
            if (px < 0 || py < 0 || px >= w || py >= h) continue;
            double d = segment(px + 0.5, py + 0.5, x, y, nx, ny), fade = 1 - step / 18.0;
            double& g = spark[(size_t)py * w + px];
            g = std::max(g, (0.55 * std::exp(-d * d / 10) + 0.8 * cover(d - 0.6)) * fade);
          }
        x = nx, y = ny;
      }
    }
  }
};

} // namespace

void paintPortrait(Bitmap& b, const PortraitStyle& style) {
  Painter p(style, b.width, b.height);
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) {
      Colour sum;
      for (int k = 0; k < 4; ++k) sum = sum + p.at(x + 0.25 + 0.5 * (k & 1), y + 0.25 + 0.5 * (k >> 1)) * 0.25;
      double g = p.sparkAt(x, y);
      sum = sum + Colour{90, 160, 255} * g;
      if (y < style.topFade) {
        const double f = (y + 0.5) / style.topFade;
        sum = sum * (f * f * (3 - 2 * f));
      }
      b.pixels[y * b.width + x] = rgb(sum.r, sum.g, sum.b);
    }
}

} // namespace assets
