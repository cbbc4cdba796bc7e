// libFuzzer target: an LWOB file from arbitrary bytes through the reader and the load-time
// preparation, then one pass and render of whatever loaded.
#include <cstdint>
#include <cstdio>
#include <string>

#include "quiet_stdout.h"

#include "image/bitmap.h"
#include "objects/object3d.h"
#include "core/engine_context.h"

namespace {

struct Stage {
  EngineContext context{80, 60};  // a small render size keeps each input fast
  bool published = (setEngine(&context), true); // the camera and light read the context's tables
  Bitmap target{80, 60};
  Camera camera;
  Light light;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Stage* stage = new Stage;
  Object3D object;
  std::string error;
  if (!object.loadFromBytes(data, size, error)) return 0;
  object.camera = &stage->camera;
  object.addLight(&stage->light);
  stage->context.clearZBuffer();
  for (int mode : {Shaded, EnvMap}) {
    object.restorePoints();
    object.ripple(10, 2, 30);
    object.transformAndProject(180, 30, 0, 0, 0, 700, 1, 1, 1, 80, 60);
    object.render(&stage->target, mode);
  }
  return 0;
}
