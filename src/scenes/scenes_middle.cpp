// Scenes 4 to 6: colour-channel sweeps and zooms on the bazooka picture, the dot object over
// zooming, tiling and swirling pictures, and the two chrome balls with the video clip.
#include "scenes/scene_steps.h"
#include "scenes/scene_table.h"

void DemoApp::sceneBazooka() {
  if (beginScene(*this)) return;
  Bitmap* bazooka = context->bitmaps[6].get();
  Bitmap* scratch = context->scratch.get();
  // The channel limits act on a copy, never on the picture itself.
  auto viaScratch = [&]() {
    bazooka->blit(scratch, 0, 0);
    return scratch;
  };
  switch (step) {
  case 1:
    bazooka->zoom_window(screen, 50, 40, 10, 10, lerpf(*this, 0, 1), big);
    break;
  case 2:
    viaScratch()->blit_ceiling(screen, 0, 0, lerpi(*this, 255, 0), 255, 255);
    break;
  case 3:
    viaScratch()->blit_ceiling(screen, 0, 0, lerpi(*this, 0, 255), lerpi(*this, 255, 0), 255);
    break;
  case 4:
    viaScratch()->blit_ceiling(screen, 0, 0, 255, lerpi(*this, 0, 255), 255);
    break;
  case 5:
    bazooka->blit(screen, 0, 0);
    viaScratch()->zoom_marked(screen, 164, 136, 156, 64, lerpf(*this, 0, 1), 0x00FF00, big);
    break;
  case 6:
    bazooka->blit(screen, 0, 0);
    viaScratch()->zoom_marked(screen, 164, 136, 156, 64, lerpf(*this, 1, 0), 0x00FF00, big);
    screen->fire();
    break;
  }
  endStep(*this);
}

void DemoApp::sceneDot() {
  if (beginScene(*this)) return;
  Bitmap* bazooka = context->bitmaps[6].get();
  Bitmap* scratch = context->scratch.get();
  Object3D* dot = context->objects[3].get();
  switch (step) {
  case 1:
    bazooka->zoom_window(screen, 164, 136, 156, 64, lerpf(*this, 1, 0), big);
    break;
  case 2:
    bazooka->zoom_window(screen, 164, 136, 156, 64, lerpf(*this, 0, 1), big);
    begin3D(0, 0, 0);
    dot->restorePoints();
    dot->wave(lerpf(*this, 0, 200), 0);
    draw3D(dot, 270, 0, 0, 0, 0, 650, screen, Shaded);
    break;
  case 3:
    bazooka->zoom_window(screen, 164, 136, 156, 64, lerpf(*this, 1, 0), big);
    begin3D(0, 0, 0);
    dot->restorePoints();
    dot->wave(lerpf(*this, 200, 0), 0);
    draw3D(dot, 270, theta(*this), 0, 0, 0, 650, screen, Shaded);
    break;
  case 4:
    bazooka->zoom_window(screen, 164, 136, 156, 64, lerpf(*this, 0, 1), big);
    begin3D(0, 0, 0);
    dot->restorePoints();
    draw3D(dot, 270, theta(*this), 0, 0, 0, 550, screen, Shaded);
    screen->edges(lerpf(*this, 1, 10), big);
    break;
  case 5:
    bazooka->tile(screen, lerpf(*this, 1, 0), lerpf(*this, 1, 0), big);
    begin3D(0, 0, 0);
    dot->restorePoints();
    draw3D(dot, 270, theta(*this), 0, 0, 0, 550, screen, Shaded);
    break;
  case 6:
    bazooka->tile(screen, lerpf(*this, 0, 1), lerpf(*this, 0, 1), big);
    begin3D(0, 0, 0);
    dot->restorePoints();
    dot->wave(lerpf(*this, 300, 600), 0);
    draw3D(dot, 270, theta(*this), 0, 0, 0, 550, screen, Shaded);
    break;
  case 7:
    screen->clear();
    bazooka->swirl(scratch, thetaDegrees(*this));
    begin3D(0, 0, 0);
    dot->restorePoints();
    dot->wave(lerpf(*this, 600, 900), 0);
    draw3D(dot, 270, 0, 0, 0, 0, 550, scratch, Shaded);
    scratch->zoom_feedback(lerpi(*this, 1, 50), big);
    scratch->blit(screen, lerpi(*this, 0, -320), 0);
    break;
  }
  endStep(*this);
}

void DemoApp::sceneBalls() {
  if (beginScene(*this)) return;
  const auto& bitmaps = context->bitmaps;
  Bitmap* scratch = context->scratch.get();
  Object3D* ball = context->objects[5].get();
  Object3D* target = context->objects[6].get();
  float t = theta(*this);
  switch (step) {
  case 1:
    bitmaps[8]->blit(screen, 0, 0);
    break;
  case 2:
    bitmaps[8]->zoom_window(screen, 108, 30, 64, 40, lerpf(*this, 1, 0), big);
    break;
  case 3:
    scratch->blit(screen, 0, 0);
    begin3D(0, 0, 0);
    ball->restorePoints();
    ball->wave(lerpf(*this, 0, 200), 0);
    draw3D(ball, t, t, 0, lerpf(*this, 400, 100), 0, 950, screen, EnvMap);
    ball->restorePoints();
    ball->wave(lerpf(*this, 200, 0), 0);
    draw3D(ball, lerpf(*this, 360, 0), t, 0, lerpf(*this, -400, -100), 0, 950, screen, EnvMap);
    break;
  case 4:
    scratch->blit(screen, 0, 0);
    begin3D(0, 0, 0);
    ball->restorePoints();
    ball->wave(lerpf(*this, 200, 0), 0);
    draw3D(ball, t, t, 0, 100, 0, 950, screen, EnvMap);
    ball->restorePoints();
    ball->wave(lerpf(*this, 0, 200), 0);
    draw3D(ball, lerpf(*this, 360, 0), t, 0, -100, 0, 950, screen, EnvMap);
    break;
  case 5:
    scratch->blit(screen, 0, 0);
    bitmaps[11]->zoom_window(work.get(), 120, 80, 60, 60, lerpf(*this, 0, 1), big);
    work->blit_mix(screen, 0, 0, lerpi(*this, 255, 0));
    begin3D(0, 0, 0);
    ball->restorePoints();
    ball->wave(lerpf(*this, 0, 200), 0);
    ball->morphTowards(*target, lerpf(*this, 0, 1));
    draw3D(ball, t, t, 0, lerpf(*this, 100, 400), 0, 950, screen, EnvMap);
    ball->restorePoints();
    ball->wave(lerpf(*this, 200, 0), 0);
    ball->morphTowards(*target, lerpf(*this, 0, 2));
    draw3D(ball, lerpf(*this, 360, 0), t, 0, lerpf(*this, -100, 0), 0, lerpf(*this, 950, 750), screen, EnvMap);
    break;
  case 6:
  case 7:
    bitmaps[11]->blit(screen, 0, 0);
    clip->nextFrame();
    clip->bitmap->blit_half(screen, 0, 0);
    begin3D(0, 0, 0);
    ball->restorePoints();
    if (step == 6) {
      ball->ripple(30, 2, t);
      ball->morphTowards(*target, lerpf(*this, 2, 4));
    } else {
      ball->ripple(lerpf(*this, 30, 10), lerpf(*this, 2, 4), t);
      ball->morphTowards(*target, lerpf(*this, 0, 2));
    }
    draw3D(ball, lerpf(*this, 360, 0), t, 0, 0, 0, 750, screen, EnvMap);
    break;
  case 8:
    clip->nextFrame();
    clip->bitmap->blit(screen, 0, 0);
    begin3D(0, 0, 0);
    ball->restorePoints();
    ball->ripple(lerpf(*this, 10, 80), lerpf(*this, 4, 1), t);
    ball->morphTowards(*target, lerpf(*this, 0, 2));
    draw3D(ball, lerpf(*this, 360, 0), t, t, 0, 0, 750, screen, EnvMap);
    break;
  case 9:
    clip->nextFrame();
    clip->bitmap->blit(screen, 0, 0);
    screen->blur_cross();
    begin3D(0, 0, 0);
    ball->restorePoints();
    ball->ripple(lerpf(*this, 100, 80), lerpf(*this, 4, 2), t);
    ball->morphTowards(*target, lerpf(*this, 0, 2));
    draw3D(ball, lerpf(*this, 360, 0), t, t, lerpf(*this, 0, 300), 0, 750, screen, EnvMap);
    bitmaps[9]->blit_mix(screen, 0, 0, lerpi(*this, 255, 0));
    break;
  case 10:
    break; // the last frame of step 9 stays on screen
  }
  // The background of steps 3 to 5, put on scratch once as step 2 ends.
  if (endStep(*this) && step == 3) bitmaps[24]->blit(scratch, 0, 0);
}
