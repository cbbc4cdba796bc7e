// Render test helpers: a stage with camera, light, target and textures, a pixel hash, and
// rendering an object from a chosen pose the way a scene frame does.
#pragma once
#include <cstdint>

#include "image/bitmap.h"
#include "objects/object3d.h"
#include "objects/test_support.h"

inline uint64_t hashPixels(const Bitmap& b) {
  uint64_t h = 1469598103934665603ull; // FNV-1a
  for (int64_t i = 0; i < (int64_t)b.width * b.height; ++i) {
    h ^= b.pixels[i];
    h *= 1099511628211ull;
  }
  return h;
}

struct RenderStage {
  Camera camera;
  Light light;
  Bitmap target{320, 240};
  Bitmap texture{64, 64};
  BumpMap bump;

  RenderStage() {
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x)
        texture.pixels[y * 64 + x] = ((x / 8 + y / 8) & 1) ? 0xE0C040u : (uint32_t)(x * 4) << 16 | (uint32_t)(y * 4);
    bump.width = 16;
    bump.height = 16;
    bump.data = std::make_unique<int8_t[]>(256);
    for (int i = 0; i < 256; ++i) bump.data[i] = (int8_t)((i * 37) % 256 - 128);
  }

  void attach(Object3D& o) {
    o.camera = &camera;
    o.addLight(&light);
    o.texture = &texture;
    o.bumpMap = &bump;
    o.planarMap();
  }

  // One frame: clear, reset, place at depth tz with the given angles, project and draw.
  uint64_t draw(Object3D& o, int mode, float ax, float ay, float az, float tz) {
    testSpace().clearDepths();
    target.clear();
    o.restorePoints();
    o.transformAndProject(ax, ay, az, 0, 0, tz, 1, 1, 1, 320, 240);
    o.render(&target, mode);
    return hashPixels(target);
  }
};
