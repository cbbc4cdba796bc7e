#include "scenes/scene_table.h"

#include "shell/frame_pacer.h"

namespace {

// Step lengths, one table per scene.
const float logoSteps[6] = {3.0f, 2.0f, 1.5f, 2.0f, 2.0f, 1.5f};
const float logoObjectsSteps[6] = {2.0f, 4.0f, 3.0f, 4.0f, 3.0f, 4.0f};
const float videoSteps[5] = {5.0f, 5.0f, 4.0f, 3.0f, 3.0f};
const float bazookaSteps[6] = {2.0f, 3.0f, 3.0f, 3.0f, 0.5f, 0.5f};
const float dotSteps[7] = {1.0f, 3.0f, 3.0f, 3.0f, 6.0f, 5.0f, 5.0f};
const float ballsSteps[10] = {2.0f, 2.0f, 3.0f, 3.0f, 5.0f, 5.0f, 5.0f, 3.0f, 3.0f, 3.0f};
const float scapeSteps[13] = {4.0f, 6.0f, 5.0f, 3.0f, 2.0f, 3.0f, 2.0f, 5.0f, 5.0f, 5.0f, 5.0f, 4.0f, 3.0f};
const float greetsSteps[3] = {2.0f, 14.0f, 2.0f};
const float sisterSteps[8] = {1.0f, 4.0f, 4.0f, 4.0f, 4.0f, 4.0f, 4.0f, 4.0f};
const float bumpBallSteps[4] = {3.0f, 5.0f, 5.0f, 5.0f};
const float staticSteps[2] = {4.0f, 5.0f};
const float finaleSteps[5] = {4.0f, 4.0f, 4.0f, 4.0f, 5.0f};

} // namespace

#define SCENE(fn, steps) {&DemoApp::fn, #fn, steps, sizeof steps / sizeof steps[0]}

const SceneEntry sceneTable[] = {
    SCENE(sceneLogo, logoSteps),       SCENE(sceneLogoObjects, logoObjectsSteps), SCENE(sceneVideo, videoSteps),
    SCENE(sceneBazooka, bazookaSteps), SCENE(sceneDot, dotSteps),                 SCENE(sceneBalls, ballsSteps),
    SCENE(sceneScape, scapeSteps),     SCENE(sceneGreets, greetsSteps),           SCENE(sceneSister, sisterSteps),
    SCENE(sceneBumpBall, bumpBallSteps), SCENE(sceneStatic, staticSteps),         SCENE(sceneFinale, finaleSteps),
};
const int sceneCount = sizeof sceneTable / sizeof sceneTable[0];

int sceneIndex(SceneFn fn) {
  for (int i = 0; i < sceneCount; ++i)
    if (sceneTable[i].fn == fn) return i;
  return -1;
}

float sceneSeconds(const SceneEntry& scene) {
  float total = 0;
  for (int i = 0; i < scene.stepCount; ++i) total += scene.steps[i];
  return total;
}

const char* sceneName(int index) { return index >= 0 && index < sceneCount ? sceneTable[index].name : "?"; }

double timelineSeconds() {
  double total = 0;
  for (int s = 0; s < sceneCount; ++s) total += sceneSeconds(sceneTable[s]);
  return total;
}

namespace {

struct Frames {
  int first[32]; // first frame of each scene
  int count = 0; // frames of the whole run
};

// Walks the steps as the scenes and their timer do: a step's timer starts at the due time of the
// frame that ended the step before, and the step ends on the first frame whose time lies more than
// its length past that.
Frames walkTimeline() {
  static_assert(sizeof(Frames{}.first) / sizeof(int) >= 12, "room for every scene");
  Frames frames;
  FramePacer pacer;
  int frame = 0;
  for (int s = 0; s < sceneCount; ++s) {
    frames.first[s] = frame;
    int32_t start = pacer.dueTicks(frame); // step 0 starts the timer and draws nothing
    ++frame;
    for (int k = 0; k < sceneTable[s].stepCount; ++k) {
      while (!((double)(pacer.dueTicks(frame) - start) / 1000 > sceneTable[s].steps[k])) ++frame;
      start = pacer.dueTicks(frame);
      ++frame;
    }
  }
  frames.count = frame;
  return frames;
}

const Frames& timelineWalk() {
  static const Frames frames = walkTimeline();
  return frames;
}

} // namespace

int sceneFirstFrame(int scene) { return timelineWalk().first[scene]; }

int timelineFrames() { return timelineWalk().count; }
