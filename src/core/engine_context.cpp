#include "core/engine_context.h"

#include <cstdlib>
#include <new>

#include "core/trig_tables.h"

namespace {
EngineContext* current = nullptr;
}

EngineContext* engine() { return current; }
void setEngine(EngineContext* context) { current = context; }

EngineContext::EngineContext(int w, int h) {
  slotCount = 100;
  trigSize = 360;
  sinTable = new float[720];
  cosTable = new float[720];
  // Fixed data rather than sin/cos at start-up: C libraries round a few entries differently.
  for (int i = 0; i < 360; ++i) {
    sinTable[i] = sinTable[i + 360] = sinDegrees[i];
    cosTable[i] = cosTable[i + 360] = cosDegrees[i];
  }
  width = w;
  height = h;
  zBuffer = new (std::nothrow) uint16_t[(size_t)w * h];
  if (!zBuffer) exit(1);
  bitmaps = new Bitmap*[slotCount];
  objects = new Object3D*[slotCount];
  bigA = std::make_unique<Bitmap>(5 * w, 5 * h);
  bigB = std::make_unique<Bitmap>(5 * w, 5 * h);
  scratch = std::make_unique<Bitmap>(w, h);
  for (int i = 0; i < slotCount; ++i) {
    bitmaps[i] = nullptr;
    objects[i] = nullptr;
  }
}

EngineContext::~EngineContext() {
  // Slot contents are owned through the slots (released with the process, or by the test that
  // filled them); the context releases only what it allocated itself.
  delete[] sinTable;
  delete[] cosTable;
  delete[] zBuffer;
  delete[] bitmaps;
  delete[] objects;
  if (current == this) current = nullptr;
}

void EngineContext::clearZBuffer() {
  uint16_t* z = zBuffer;
  for (size_t i = 0, n = (size_t)width * height; i < n; ++i) z[i] = 0xFFFF;
}
