// EngineContext: the one shared workspace of the renderer. Slot tables for pictures and objects,
// whole-degree sine and cosine tables, the z-buffer and the scratch bitmaps effects borrow.
#pragma once
#include <cstdint>
#include <memory>

#include "image/bitmap.h"

class Object3D;

class EngineContext {
public:
  int slotCount = 100;            // size of both slot tables
  std::unique_ptr<Bitmap> scratch;// render-size bitmap scenes compose into
  std::unique_ptr<Bitmap> bigA;   // 5 x width by 5 x height capacity buffer effects borrow
  std::unique_ptr<Bitmap> bigB;   // a second one
  Bitmap** bitmaps = nullptr;     // 100 picture slots; slot 0 is the screen
  Object3D** objects = nullptr;   // 100 object slots
  int trigSize = 360;
  float* sinTable = nullptr;      // 720 entries: sin of each whole degree, stored twice
  float* cosTable = nullptr;      // 720 entries: cos of each whole degree, stored twice
  uint16_t* zBuffer = nullptr;    // width x height depths, 0xFFFF farthest
  int width = 0, height = 0;      // size of the z-buffer (the render size)
  zub::Failure failure;           // the first allocation that failed; the context is then unusable

  EngineContext(int width, int height);
  ~EngineContext();
  EngineContext(const EngineContext&) = delete;
  EngineContext& operator=(const EngineContext&) = delete;

  void clearZBuffer();
};

// The process-wide context, set by whoever creates it (the demo, a test).
EngineContext* engine();
void setEngine(EngineContext* context);
