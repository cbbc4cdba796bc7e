#include "scenes/scene_table.h"

const SceneEntry sceneTable[] = {
    {&DemoApp::sceneLogo, "sceneLogo", 12},
    {&DemoApp::sceneLogoObjects, "sceneLogoObjects", 20},
};
const int sceneCount = sizeof sceneTable / sizeof sceneTable[0];

int sceneIndex(SceneFn fn) {
  for (int i = 0; i < sceneCount; ++i)
    if (sceneTable[i].fn == fn) return i;
  return -1;
}
