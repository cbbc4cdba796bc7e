// The opening scenes: the title cards fading in and out, the two waving logo objects over the
// red background, and the guitar picture shaken over the video clip.
#include <cstdio>

#include "scenes/scene_steps.h"
#include "scenes/scene_table.h"

void DemoApp::sceneLogo() {
  printf("i am too sexy for this demo\n");
  if (beginScene(*this)) return;
  const auto& bitmaps = context->bitmaps;
  switch (step) {
  case 1:
    bitmaps[1]->blit(screen, 0, 0);
    screen->mix_colour(0x000000, lerpi(*this, 255, 0));
    break;
  case 2:
    bitmaps[1]->blit(screen, 0, 0);
    break;
  case 3:
    bitmaps[1]->blit(screen, 0, 0);
    screen->mix_colour(0x000000, lerpi(*this, 0, 255));
    break;
  case 4:
    bitmaps[2]->blit(screen, 0, 0);
    screen->mix_colour(0x000000, lerpi(*this, 255, 0));
    break;
  case 5:
    bitmaps[2]->blit(screen, 0, 0);
    break;
  case 6:
    bitmaps[2]->blit(screen, 0, 0);
    screen->mix_colour(0x840000, lerpi(*this, 0, 255));
    break;
  }
  endStep(*this);
}

void DemoApp::sceneLogoObjects() {
  if (beginScene(*this)) return;
  Object3D* first = context->objects[0].get();
  Object3D* second = context->objects[1].get();
  screen->clear();
  context->bitmaps[3]->blit_centered(screen);
  switch (step) {
  case 1:
    screen->mix_colour(0x840000, lerpi(*this, 255, 0));
    break;
  case 2:
    first->textured = true;
    begin3D(0, 0, 0);
    first->restorePoints();
    first->wave(lerpf(*this, 0, 300), 0);
    draw3D(first, 180, 0, 0, lerpf(*this, 300, 0), 0, 700, screen, Shaded);
    break;
  case 3:
    begin3D(0, 0, 0);
    first->restorePoints();
    first->wave(lerpf(*this, 300, 600), 0);
    draw3D(first, 180, 0, 0, 0, 0, 700, screen, Shaded);
    break;
  case 4:
    second->textured = true;
    begin3D(0, 0, 0);
    first->restorePoints();
    first->wave(lerpf(*this, 600, 900), 0);
    draw3D(first, 180, 0, 0, 0, 0, 700, screen, Shaded);
    second->restorePoints();
    second->wave(lerpf(*this, 0, 200), 0);
    draw3D(second, 180, 0, 0, 0, lerpf(*this, 200, -40), 700, screen, Shaded);
    break;
  case 5:
    begin3D(0, 0, 0);
    first->restorePoints();
    first->wave(lerpf(*this, 900, 1200), 0);
    draw3D(first, 180, 0, 0, 0, 0, 700, screen, Shaded);
    second->restorePoints();
    second->wave(lerpf(*this, 200, 400), 0);
    draw3D(second, 180, 0, 0, 0, -40, 700, screen, Shaded);
    screen->zoom_feedback(lerpi(*this, 1, 40), big);
    break;
  case 6:
    // Only the background fades; the objects drawn after it keep their brightness.
    screen->mix_colour(0x000000, lerpi(*this, 0, 255));
    begin3D(0, 0, 0);
    first->restorePoints();
    first->wave(lerpf(*this, 1200, 1500), 0);
    draw3D(first, 180, 0, 0, lerpf(*this, 0, -300), 0, lerpf(*this, 700, 400), screen, Shaded);
    second->restorePoints();
    second->wave(lerpf(*this, 400, 600), 0);
    draw3D(second, 180, 0, 0, 0, lerpf(*this, -40, 200), 700, screen, Shaded);
    screen->zoom_feedback(lerpi(*this, 40, 1), big);
    break;
  }
  endStep(*this);
}

// t of the line scroll over the clip: 0.90 to 1.09 in steps of 0.01.
static float scrollT() { return (float)((zub::demoRand() % 20) * 0.01 + 0.9); }

void DemoApp::sceneVideo() {
  if (beginScene(*this)) return;
  Bitmap* guitar = context->bitmaps[4].get();
  Bitmap* gfx = context->bitmaps[5].get();
  Bitmap* frame = clip->bitmap.get();
  switch (step) {
  case 1: {
    Shake s = shake();
    guitar->blit(screen, s.x, s.y);
    screen->zoom_feedback(8, big);
    screen->blur_cross();
    break;
  }
  case 2: {
    clip->nextFrame();
    frame->blit(screen, 0, 0);
    Shake s = shake();
    guitar->blit_half(screen, s.x, s.y);
    screen->zoom_feedback(8, big);
    reportFailure(frame->horizlinescroll(screen, scrollT()));
    screen->zoom_feedback(15, big);
    break;
  }
  case 3: {
    clip->nextFrame();
    frame->blit(screen, 0, 0);
    if (coin()) screen->invert();
    if (coin()) screen->blur_horizontal();
    screen->zoom_feedback(8, big);
    Shake s = shake();
    guitar->blit_half(screen, s.x, s.y);
    reportFailure(frame->horizlinescroll(screen, scrollT()));
    if (coin()) screen->invert();
    if (coin()) screen->blur_horizontal();
    screen->zoom_feedback(15, big);
    gfx->blit_mix(screen, 0, 0, lerpi(*this, 255, 0));
    break;
  }
  case 4:
    gfx->blit(screen, 0, 0);
    break;
  case 5:
    gfx->blit(screen, 0, 0);
    screen->zoom_feedback(zub::demoRand() % 20 + 10, big);
    if (coin()) screen->invert();
    if (coin()) screen->fire();
    screen->mix_colour(0x000000, lerpi(*this, 0, 255));
    break;
  }
  endStep(*this);
}
