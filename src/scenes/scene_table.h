// The timeline's scenes in order, with their names and lengths: what tools and tests use to say
// where in the demo a frame comes from.
#pragma once
#include "shell/demo_app.h"

struct SceneEntry {
  SceneFn fn;
  const char* name;
  float seconds; // total length of its steps
};

extern const SceneEntry sceneTable[];
extern const int sceneCount;

// Index of `fn` in the table, or -1.
int sceneIndex(SceneFn fn);
