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
  bitmaps = new Bitmap*[slotCount];
  objects = new Object3D*[slotCount];
  for (int i = 0; i < slotCount; ++i) {
    bitmaps[i] = nullptr;
    objects[i] = nullptr;
  }
  zBuffer = new (std::nothrow) uint16_t[(size_t)w * h];
  // Without a depth buffer the process ends with nothing more to say than its status.
  if (!zBuffer) {
    failure = zub::failure(1, "%s", "");
    return;
  }
  // Each failure ends the start-up before the next bitmap is announced.
  for (std::unique_ptr<Bitmap>* slot : {&bigA, &bigB, &scratch}) {
    const int32_t scale = slot == &scratch ? 1 : 5;
    *slot = std::make_unique<Bitmap>(scale * w, scale * h);
    if (!(*slot)->ok()) {
      failure = (*slot)->failure;
      return;
    }
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
