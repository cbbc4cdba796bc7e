// The opening scenes: the title pictures fading in and out.
#include <cstdio>

#include "shell/demo_app.h"

namespace {

// Fades of scene 1: picture slot, length, and the mix colour and weights at the step's start and end.
struct LogoStep {
  int picture;
  float seconds;
  uint32_t colour;
  float from, to;
  bool mixes;
};

const LogoStep logoSteps[] = {
    {1, 3.0f, 0x000000, 255, 0, true},  // fade in from black
    {1, 2.0f, 0, 0, 0, false},          // hold
    {1, 1.5f, 0x000000, 0, 255, true},  // fade out
    {2, 2.0f, 0x000000, 255, 0, true},  // second card fades in
    {2, 2.0f, 0, 0, 0, false},          // hold
    {2, 1.5f, 0x840000, 0, 255, true},  // fade to dark red
};
const int logoStepCount = sizeof logoSteps / sizeof logoSteps[0];

} // namespace

void DemoApp::sceneLogo() {
  printf("i am too sexy for this demo\n");
  if (step == 0) {
    timer->start(logoSteps[0].seconds);
    step = 1;
    return;
  }
  const LogoStep& s = logoSteps[step - 1];
  Bitmap** bitmaps = context->bitmaps;
  bitmaps[s.picture]->blit(screen, 0, 0);
  if (s.mixes) screen->mix_colour(s.colour, (int)timer->lerp(s.from, s.to));
  if (!timer->done()) return;
  if (step < logoStepCount) {
    timer->start(logoSteps[step].seconds);
    ++step;
  } else {
    step = 0;
    // The timeline ends here until the following scenes exist.
    quit = true;
  }
}
