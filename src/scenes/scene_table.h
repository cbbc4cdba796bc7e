// The timeline: the scenes in order with their names and the lengths of their steps. Scene step
// functions take their step lengths from here; tools and tests use it to say where in the demo a
// frame comes from.
#pragma once
#include <cstdint>

#include "shell/demo_app.h"

struct SceneEntry {
  SceneFn fn;
  const char* name;
  const float* steps; // length in seconds of steps 1..stepCount
  int stepCount;
  // Bit k for step k. Covering: every frame of the step paints the whole screen before it reads any
  // of it, so nothing an earlier frame left there shows. Unseen: a frame of the step whose picture
  // the next frame covers may leave the screen undrawn, the rest of its work done: it draws nothing
  // from the screen into another picture and takes no random numbers for what it puts there.
  // Composing: every frame of the step paints the whole composing picture (scratch) before it
  // reads any of it, and draws it onto the screen only, without random numbers; between two such
  // frames, a frame nobody sees need not draw it.
  uint32_t coveringSteps, unseenSteps, composingSteps;
};
// True when frame `step` of `scene` (step 0 included, which draws nothing) covers the whole screen.
bool stepCovers(int scene, int step);
// True when a frame of that step may go undrawn on the screen, the next frame covering it.
bool stepMayGoUnseen(int scene, int step);
// True when every frame of that step paints the whole composing picture, for the screen only.
bool stepComposes(int scene, int step);

extern const SceneEntry sceneTable[];
extern const int sceneCount;

// Index of `fn` in the table, or -1.
int sceneIndex(SceneFn fn);
// Total length of a scene's steps in seconds.
float sceneSeconds(const SceneEntry& scene);
// The scene's name, or "?" for an index outside the table.
const char* sceneName(int index);
// The length of the timeline as the table gives it: every scene's steps. The last frame falls a
// little later, when the closing scene notices its end.
double timelineSeconds();
// The frames as the pacer and the steps' ends give them: the frame a scene starts on (its step 0,
// which draws nothing), and the number of frames of the whole run. Each step ends on the first
// frame more than its length after the frame it started on.
int sceneFirstFrame(int scene);
int timelineFrames();

