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

// Black, with thin dark blue lines of a floor and a ceiling rushing towards the viewer.
void ground(Bitmap& frame, int n) {
  for (int y = 0; y < frame.height; ++y) {
    const double dy = std::abs(y - 120) + 0.5, depth = 2400 / dy;
    // Line widths in depth units that come out about two pixels wide at every distance.
    const bool line = dy > 10 && std::fmod(depth + n * 6, 60) < std::min(20.0, 4800 / (dy * dy));
    const double fade = std::min(1.0, dy / 110);
    for (int x = 0; x < frame.width; ++x) frame.pixels[y * frame.width + x] = line ? rgb(8 * fade, 36 * fade, 120 * fade) : 0;
  }
}

void fillRect(Bitmap& frame, int x0, int y0, int x1, int y1, uint32_t colour) {
  x0 = std::max(x0, 0), y0 = std::max(y0, 0), x1 = std::min(x1, frame.width), y1 = std::min(y1, frame.height);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) frame.pixels[y * frame.width + x] = colour;
}

// Three thick bars, each sliding across the picture and back at its own pace.
void bars(Bitmap& frame, int n) {
  const uint32_t colours[3] = {0xFF3018, 0x18E0FF, 0xFFE018};
  const int rows[3] = {34, 188, 210};
  for (int i = 0; i < 3; ++i) {
    const double phase = n * (0.021 + 0.009 * i) + i * 2.1;
    const int centre = (int)(160 + 230 * std::sin(phase)), half = 70 + 30 * i;
    fillRect(frame, centre - half, rows[i], centre + half, rows[i] + (i == 0 ? 22 : 14), colours[i]);
  }
}

// A white ring bursting from the centre on every beat, thick enough to outlast the trails.
void ring(Bitmap& frame, int n) {
  const double t = (double)(n % framesPerBeat) / framesPerBeat, radius = 20 + 190 * t, width = 14 * (1 - t) + 3;
  const int level = (int)(255 * (1 - 0.6 * t));
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x) {
      const double r = std::hypot(x - 160, (y - 120) * 1.2);
      if (std::fabs(r - radius) < width) frame.pixels[y * frame.width + x] = rgb(level, level, level);
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
  // Lettering texture: hot white over the top half, deep red below, a hard line between.
  Bitmap chrome(256, 256);
  if (!frame.ok() || !chrome.ok()) zub::fatal(frame.ok() ? chrome.failure : frame.failure);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)
      chrome.pixels[y * 256 + x] = y < 128 ? rgb(255, 250 - y / 3, 200 + y / 3) : rgb(230 - (y - 128), 30, 40);
  Object3D letters(space);
  std::string lettering = letteringBytes("ZUB");
  std::string unreadable;
  zub::Failure failed;
  if (!letters.loadFromBytes((const uint8_t*)lettering.data(), lettering.size(), unreadable))
    failed = zub::failure(1, "%s\n", unreadable.c_str());
  zub::Y4mWriter writer;
  if (!failed) failed = writer.open(y4mPath, 320, 240, clipFrameRate, false);
  letters.camera = &camera;
  letters.addLight(&light);
  letters.texture = &chrome;
  letters.planarMap();
  for (int n = 0; !failed && n < clipFrames; ++n) {
    ground(frame, n);
    ring(frame, n);
    bars(frame, n);
    // The lettering swings gently, comes close on the beat and never turns its back.
    light.update(0, 0, 0);
    space.clearDepths();
    letters.restorePoints();
    letters.wave((float)(n * 6), 0);
    const double beat = (double)(n % framesPerBeat) / framesPerBeat;
    const float swing = (float)(35 * std::sin(n * 0.05)), tilt = (float)(12 * std::sin(n * 0.031));
    letters.transformAndProject(180 + tilt, std::fmod(360 + swing, 360.0f), 0, 0, -5, (float)(1000 - 140 * (1 - beat)), 1, 1,
                                1, 320, 240);
    letters.render(&frame, EnvMap);
    failed = writer.writeFrame(frame.pixels);
  }
  if (!failed) failed = writer.close();
  return failed;
}

} // namespace assets
