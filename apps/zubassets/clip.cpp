#include "clip.h"

#include <algorithm>
#include <cmath>

#include "core/fatal.h"
#include "image/bitmap.h"
#include "capture/y4m_writer.h"
#include "objects.h"
#include "objects/geometry.h"
#include "objects/object3d.h"

namespace assets {

namespace {

const int framesPerBeat = 12; // 125 beats a minute at 25 frames a second

uint32_t rgb(double r, double g, double b) {
  auto c = [](double v) { return (uint32_t)(v < 0 ? 0 : v > 255 ? 255 : (int)v); };
  return c(r) << 16 | c(g) << 8 | c(b);
}

double clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

uint32_t add(uint32_t a, double r, double g, double b) {
  return rgb(((a >> 16) & 0xFF) + r, ((a >> 8) & 0xFF) + g, (a & 0xFF) + b);
}

const int horizon = 132;

// A night sky over a neon floor whose cross lines rush toward the viewer; lines are drawn with
// their coverage, so they neither crawl nor break up as they come closer. The floor fades out
// before the frame's sides and bottom, and the sky glows where the rings are born.
void ground(Bitmap& frame, int n) {
  for (int y = 0; y < frame.height; ++y) {
    const double dy = y - horizon + 0.5;
    for (int x = 0; x < frame.width; ++x) {
      uint32_t& p = frame.pixels[y * frame.width + x];
      const double edge = clamp01(std::min(x, frame.width - 1 - x) / 60.0) * clamp01((frame.height - 1 - y) / 30.0);
      const double glow = std::exp(-std::pow((x - 160) / 90.0, 2) - std::pow(dy / 28.0, 2));
      if (dy < 0) {
        const double v = -dy / horizon;
        p = rgb(16 + 40 * (1 - v) * (1 - v) + 150 * glow, 8 + 10 * (1 - v) + 60 * glow, 34 + 40 * (1 - v) + 110 * glow);
        continue;
      }
      // 1800 / dy is the floor's distance on row y; a cross line every 12 units of it, an
      // along line every 10 units across.
      const double depth = 1800 / dy, perPixelDepth = 1800 / (dy * dy), worldX = (x - 160) * depth / 40;
      const double across = std::fabs(std::remainder(depth + n * 2.4, 12.0)) / perPixelDepth;
      const double along = std::fabs(std::remainder(worldX, 10.0)) / (depth / 40);
      // Each family of lines fades out where it crowds closer than a few pixels (toward the
      // horizon), which would otherwise shimmer as moire.
      const double acrossGap = 12 / perPixelDepth, alongGap = 10 / (depth / 40);
      const double line = std::max(clamp01(1.3 - across) * clamp01((acrossGap - 3) / 5), clamp01(1.3 - along) * clamp01((alongGap - 3) / 5)) * edge;
      const double near = clamp01(dy / 90);
      p = rgb(12 + 60 * glow + 230 * line * (1 - near) + 40 * line * near, 6 + 20 * glow + 50 * line * (1 - near) + 220 * line * near,
              26 + 50 * glow + 200 * line * (1 - near) + 240 * line * near);
    }
  }
}

// A thin ring of light on every beat, from the horizon's centre outward, cyan turning magenta as
// it grows and fading before it would reach the frame's sides.
void ring(Bitmap& frame, int n) {
  const double t = (double)(n % framesPerBeat) / framesPerBeat, radius = 14 + 150 * t, width = 2.5 - t;
  const double fade = (1 - t) * (1 - t);
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x) {
      const double r = std::hypot(x - 160, (y - horizon) * 1.35), cover = clamp01(width - std::fabs(r - radius)) * fade;
      if (cover <= 0) continue;
      uint32_t& p = frame.pixels[y * frame.width + x];
      p = add(p, (80 + 150 * t) * cover, (230 - 170 * t) * cover, 240 * cover);
    }
}

} // namespace

zub::Failure writeClipFrames(const std::string& y4mPath) {
  RenderSpace space(320, 240);
  Bitmap scratch(320, 240);
  if (space.failure || !scratch.ok()) zub::fatal(space.failure ? space.failure : scratch.failure);
  space.scratch = &scratch;
  Camera camera;
  Light light;
  Bitmap frame(320, 240);
  // Polished gold as the knot mirrors its surroundings: palest where the faces (leaning
  // their tops toward the viewer) look, through amber to dark bronze at the grazing rims, with a
  // darker horizon reflected across the bevels.
  Bitmap chrome(256, 256);
  if (!frame.ok() || !chrome.ok()) zub::fatal(frame.ok() ? chrome.failure : frame.failure);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      const double d = std::hypot(x / 255.0 - 0.5, y / 255.0 - 0.72) / 0.7, band = std::exp(-std::pow((y / 255.0 - 0.42) / 0.04, 2));
      const double k = clamp01(d);
      double r = 255 - 80 * k * k - 60 * k, g = 236 - 120 * k - 40 * k * k, b = 160 - 150 * k;
      chrome.pixels[y * 256 + x] = rgb(r * (1 - 0.5 * band), g * (1 - 0.55 * band), b * (1 - 0.6 * band));
    }
  // A gold knot rather than the logo, which the title, the waving letters and the finale show.
  Object3D knot(space);
  std::string knotLwo = knotBytes();
  std::string unreadable;
  zub::Failure failed;
  if (!knot.loadFromBytes((const uint8_t*)knotLwo.data(), knotLwo.size(), unreadable))
    failed = zub::failure(1, "%s\n", unreadable.c_str());
  zub::Y4mWriter writer;
  if (!failed) failed = writer.open(y4mPath, 320, 240, clipFrameRate, false);
  knot.camera = &camera;
  knot.addLight(&light);
  knot.texture = &chrome;
  knot.planarMap();
  for (int n = 0; !failed && n < clipFrames; ++n) {
    ground(frame, n);
    ring(frame, n);
    // The knot turns over the floor and comes close on the beat.
    light.update(0, 0, 0);
    space.clearDepths();
    knot.restorePoints();
    const double beat = (double)(n % framesPerBeat) / framesPerBeat;
    const float tilt = (float)(150 + 25 * std::sin(n * 0.031)), turn = (float)std::fmod(n * 2.5, 360.0),
                roll = (float)std::fmod(n * 1.2, 360.0);
    knot.transformAndProject(tilt, turn, roll, 0, -5, (float)(1000 - 110 * (1 - beat)), 1, 1, 1, 320, 240);
    knot.render(&frame, EnvMap);
    failed = writer.writeFrame(frame.pixels);
  }
  if (!failed) failed = writer.close();
  return failed;
}

} // namespace assets
