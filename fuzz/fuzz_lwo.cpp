// libFuzzer target: an LWOB file from arbitrary bytes through the reader and the load-time
// preparation, then one pass and render of whatever loaded.
#include <cstdint>
#include <cstdio>
#include <string>

#include "quiet_stdout.h"

#include "image/bitmap.h"
#include "objects/object3d.h"
#include "objects/render_space.h"

namespace {

struct Stage {
  RenderSpace space{80, 60};  // a small render size keeps each input fast
  Bitmap target{80, 60};      // also the objects' default texture
  Stage() { space.scratch = &target; }
  Camera camera;
  Light light;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Stage* stage = new Stage;
  Object3D object(stage->space);
  std::string error;
  if (!object.loadFromBytes(data, size, error)) return 0;
  object.camera = &stage->camera;
  object.addLight(&stage->light);
  stage->space.clearDepths();
  for (int mode : {Shaded, EnvMap}) {
    object.restorePoints();
    object.ripple(10, 2, 30);
    object.transformAndProject(180, 30, 0, 0, 0, 700, 1, 1, 1, 80, 60);
    object.render(&stage->target, mode);
  }
  return 0;
}
