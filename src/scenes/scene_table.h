// The timeline: the scenes in order with their names and the lengths of their steps. Scene step
// functions take their step lengths from here; tools and tests use it to say where in the demo a
// frame comes from.
#pragma once
#include "shell/demo_app.h"

struct SceneEntry {
  SceneFn fn;
  const char* name;
  const float* steps; // length in seconds of steps 1..stepCount
  int stepCount;
};

extern const SceneEntry sceneTable[];
extern const int sceneCount;

// Index of `fn` in the table, or -1.
int sceneIndex(SceneFn fn);
// Total length of a scene's steps in seconds.
float sceneSeconds(const SceneEntry& scene);

// Step lengths, one table per scene.
extern const float logoSteps[6];
extern const float logoObjectsSteps[6];
extern const float videoSteps[5];
extern const float bazookaSteps[6];
extern const float dotSteps[7];
extern const float ballsSteps[10];
extern const float scapeSteps[13];
extern const float greetsSteps[3];
extern const float sisterSteps[8];
extern const float bumpBallSteps[4];
extern const float staticSteps[2];
extern const float finaleSteps[5];
