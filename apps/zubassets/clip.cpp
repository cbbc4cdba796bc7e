#include "clip.h"

#include <cmath>

#include "image/bitmap.h"
#include "capture/y4m_writer.h"
#include "objects.h"
#include "objects/geometry.h"
#include "objects/object3d.h"
#include "core/engine_context.h"

namespace assets {

namespace {

uint32_t rgb(double r, double g, double b) {
  auto c = [](double v) { return (uint32_t)(v < 0 ? 0 : v > 255 ? 255 : (int)v); };
  return c(r) << 16 | c(g) << 8 | c(b);
}

// The moving background: rings rushing outward, hue drifting with time.
void tunnel(Bitmap& frame, int n) {
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x) {
      double dx = x - 160 - 40 * std::sin(n * 0.05), dy = y - 120 - 30 * std::cos(n * 0.04);
      double r = std::sqrt(dx * dx + dy * dy) + 1, a = std::atan2(dy, dx);
      double v = 0.5 + 0.5 * std::sin(800 / r - n * 0.5 + a * 3);
      double shade = std::min(1.0, r / 120);
      frame.pixels[y * frame.width + x] =
          rgb(shade * (60 + 160 * v * (0.5 + 0.5 * std::sin(n * 0.03))), shade * 40 * v, shade * (80 + 150 * v));
    }
}

} // namespace

bool writeClipFrames(const std::string& y4mPath, std::string& error) {
  EngineContext context(320, 240);
  EngineContext* previous = engine();
  setEngine(&context);
  Camera camera;
  Light light;
  Bitmap frame(320, 240);
  Bitmap chrome(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)
      chrome.pixels[y * 256 + x] = y < 128 ? rgb(60 + y, 90 + y, 200 + y / 3) : rgb(120 - (y - 128) / 2, 80 - (y - 128) / 3, 40);
  Object3D letters, craft;
  std::string lettering = letteringBytes("ZUB"), craftFile = craftBytes();
  bool loaded = letters.loadFromBytes((const uint8_t*)lettering.data(), lettering.size(), error) &&
                craft.loadFromBytes((const uint8_t*)craftFile.data(), craftFile.size(), error);
  zub::Y4mWriter writer;
  bool ok = loaded && writer.open(y4mPath, 320, 240, clipFrameRate, false, error);
  for (Object3D* o : {&letters, &craft}) {
    o->camera = &camera;
    o->addLight(&light);
    o->texture = &chrome;
    o->planarMap();
  }
  for (int n = 0; ok && n < clipFrames; ++n) {
    tunnel(frame, n);
    light.update(0, (float)(n * 3 % 360), 0);
    context.clearZBuffer();
    letters.restorePoints();
    letters.wave((float)(n * 12), 0);
    letters.transformAndProject((float)(180 + n * 4 % 360), (float)(n * 7 % 360), 0, 0, 0, 900 - 300 * std::sin(n * 0.06f), 1,
                                1, 1, 320, 240);
    letters.render(&frame, EnvMap);
    // The craft crosses the picture twice.
    float pass = (float)(n % 100) / 100.0f;
    craft.restorePoints();
    craft.transformAndProject(20, (float)(90 + n * 2 % 360), 0, -500 + 1000 * pass, -60, 700, 1, 1, 1, 320, 240);
    craft.render(&frame, EnvMap);
    frame.zoom_feedback(4 + n % 5);
    // A white flash every second, fading over a few frames.
    int sinceFlash = n % 25;
    if (sinceFlash < 6) frame.mix_colour(0xFFFFFF, 230 - sinceFlash * 40);
    ok = writer.writeFrame(frame.pixels, error);
  }
  ok = ok && writer.close(error);
  setEngine(previous);
  return ok;
}

} // namespace assets
