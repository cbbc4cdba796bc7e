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

#define SCENE(fn, steps, covering, unseen, composing) \
  {&DemoApp::fn, #fn, steps, sizeof steps / sizeof steps[0], covering, unseen, composing}
// Steps k..l as bits.
constexpr uint32_t stepsFrom(int k, int l) { return ((2u << l) - 1) & ~((1u << k) - 1); }

// What each step does with the screen, read from the scenes' code: a step covers the screen when it
// starts with a clear, a zoom or a blit of a whole-screen picture at the origin; the shaken guitar,
// the greetings' slide-in and the scrolled lines leave parts of the last picture, and a step that
// draws nothing leaves all of it. Drawing the screen into another picture (the greetings' rotation)
// or noise onto it (the static) needs the real screen. The composing picture is painted whole in
// each frame by the bazooka's channel limits, the dot's swirl, the greetings and the portrait's
// waves and last zoom; the balls keep a background on it and the landscape adds noise to it.
const SceneEntry sceneTable[] = {
    SCENE(sceneLogo, logoSteps, stepsFrom(1, 6), stepsFrom(1, 6), 0),
    SCENE(sceneLogoObjects, logoObjectsSteps, stepsFrom(1, 6), stepsFrom(1, 6), 0),
    SCENE(sceneVideo, videoSteps, stepsFrom(2, 5), stepsFrom(1, 5), 0),
    SCENE(sceneBazooka, bazookaSteps, stepsFrom(1, 6), stepsFrom(1, 6), stepsFrom(2, 6)),
    SCENE(sceneDot, dotSteps, stepsFrom(1, 7), stepsFrom(1, 7), stepsFrom(7, 7)),
    SCENE(sceneBalls, ballsSteps, stepsFrom(1, 9), stepsFrom(1, 9), 0),
    SCENE(sceneScape, scapeSteps, stepsFrom(1, 10), stepsFrom(1, 13), 0),
    SCENE(sceneGreets, greetsSteps, stepsFrom(2, 3), stepsFrom(1, 2), stepsFrom(1, 3)),
    SCENE(sceneSister, sisterSteps, stepsFrom(1, 8), stepsFrom(1, 8), stepsFrom(3, 4) | stepsFrom(8, 8)),
    SCENE(sceneBumpBall, bumpBallSteps, stepsFrom(1, 4), stepsFrom(1, 4), 0),
    SCENE(sceneStatic, staticSteps, stepsFrom(1, 2), 0, 0),
    SCENE(sceneFinale, finaleSteps, stepsFrom(1, 5), stepsFrom(1, 5), 0),
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

namespace {

bool stepBit(int scene, int step, uint32_t SceneEntry::*bits) {
  return scene >= 0 && scene < sceneCount && step >= 1 && step <= sceneTable[scene].stepCount &&
         (sceneTable[scene].*bits >> step & 1);
}

} // namespace

bool stepCovers(int scene, int step) { return stepBit(scene, step, &SceneEntry::coveringSteps); }
bool stepMayGoUnseen(int scene, int step) { return stepBit(scene, step, &SceneEntry::unseenSteps); }
bool stepComposes(int scene, int step) { return stepBit(scene, step, &SceneEntry::composingSteps); }

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
