// EngineContext: the demo's one workspace, owned by DemoApp. Slot tables for pictures and objects,
// the render space the objects share (depth buffer, default texture) and the scratch pictures the
// scenes compose in and lend to effects. Nothing reads it through a global: the demo passes what
// each operation borrows.
#pragma once
#include <memory>
#include <vector>

#include "core/failure.h"
#include "image/bitmap.h"
#include "objects/object3d.h"
#include "objects/render_space.h"

class EngineContext {
public:
  RenderSpace space;              // the render size's depth buffer; scratch is its default texture
  int slotCount = 100;            // size of both slot tables
  std::unique_ptr<Bitmap> scratch;// render-size bitmap scenes compose into
  std::unique_ptr<Bitmap> bigA;   // 5 x width by 5 x height capacity buffer effects borrow
  std::unique_ptr<Bitmap> bigB;   // a second one
  // The slots own what is filed in them.
  std::vector<std::unique_ptr<Bitmap>> bitmaps;   // 100 picture slots; slot 0 is the screen
  std::vector<std::unique_ptr<Object3D>> objects; // 100 object slots
  zub::Failure failure;           // the first allocation that failed; the context is then unusable

  EngineContext(int width, int height);
  EngineContext(const EngineContext&) = delete;
  EngineContext& operator=(const EngineContext&) = delete;

  // The pair of large pictures effects borrow.
  EffectScratch effectScratch() const { return {bigA.get(), bigB.get()}; }
  void clearZBuffer() { space.clearDepths(); }
};
