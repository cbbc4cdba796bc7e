// Scenes 10 to 12: the bump-mapped rippling ball under two lights, the static washing out to
// white, and the finale, after which the demo ends by itself.
#include "scenes/scene_steps.h"
#include "scenes/scene_table.h"

void DemoApp::sceneBumpBall() {
  Object3D* ball = context->objects[5].get();
  if (step == 0) {
    // Re-dress the ball once: a second, fixed light and the yellow texture.
    ball->addLight(sideLight.get());
    sideLight->position = Vec3{100, -100, -100};
    sideLight->update(0, 0, 0);
    ball->texture = context->bitmaps[21].get();
    ball->planarMap();
  }
  if (beginScene(*this)) return;
  BumpMap* bump = &swirlBump;
  float t = theta(*this);
  context->bitmaps[26]->blit(screen, 0, 0);
  float morph = 0, amplitude = 0, rings = 0, tz = 600;
  switch (step) {
  case 1:
    mainLight->update(t, t, 0);
    context->clearZBuffer();
    bump->bias = 50;
    bump->scale = lerpi(*this, 0, 30);
    morph = lerpf(*this, 1, 0);
    amplitude = lerpf(*this, 20, 40);
    rings = 2;
    tz = 800;
    break;
  case 2:
    mainLight->update(t, t, t);
    context->clearZBuffer();
    bump->scale = lerpi(*this, 30, 60);
    morph = lerpf(*this, 0, 1);
    amplitude = lerpf(*this, 40, 20);
    rings = lerpf(*this, 2, 1);
    break;
  case 3:
    mainLight->update(t, 0, t);
    context->clearZBuffer();
    bump->bias = 40;
    bump->scale = lerpi(*this, 60, 0);
    morph = lerpf(*this, 1, 0);
    amplitude = 15;
    rings = lerpf(*this, 1, 3);
    break;
  case 4:
    mainLight->update(0, t, t);
    context->clearZBuffer();
    bump->scale = lerpi(*this, 0, 20);
    morph = lerpf(*this, 0, 1);
    amplitude = 15;
    rings = lerpf(*this, 3, 0.5);
    break;
  }
  ball->restorePoints();
  ball->morphTowards(*context->objects[6], morph);
  ball->ripple(amplitude, rings, t);
  draw3D(ball, t, t, t, 0, 0, tz, screen, BumpEnvMap);
  if (step == 4) context->bitmaps[15]->blit_mix(screen, 0, 0, lerpi(*this, 255, 0));
  endStep(*this);
}

void DemoApp::sceneStatic() {
  if (beginScene(*this)) return;
  context->bitmaps[16]->blit(screen, 0, 0);
  if (step == 1) {
    if (coin()) screen->add_noise();
    if (coin()) screen->add_noise();
    if (coin()) screen->blur_cross();
    if (zub::demoRand() % 22 != 0) screen->zoom_feedback(10, big);
  } else {
    if (coin()) screen->add_noise();
    if (coin()) screen->blur_cross();
    if (zub::demoRand() % 10 != 0) screen->zoom_feedback(10, big);
    screen->mix_colour(0xFFFFFF, lerpi(*this, 0, 255));
  }
  endStep(*this);
}

void DemoApp::sceneFinale() {
  if (beginScene(*this)) return;
  Bitmap* picture = context->bitmaps[17].get();
  Object3D* logo = context->objects[0].get();
  picture->blit(screen, 0, 0);
  if (step <= 4) {
    const float waveFrom = 300.0f * (step - 1);
    begin3D(0, 0, 0);
    logo->restorePoints();
    logo->wave(lerpf(*this, waveFrom, waveFrom + 300), 0);
    draw3D(logo, 180, 0, 0, 0, -50, 700, screen, Shaded);
    if (step == 1) screen->mix_colour(0xFFFFFF, lerpi(*this, 255, 0));
    if (step == 4) picture->blit_mix(screen, 0, 0, lerpi(*this, 255, 0));
  }
  endStep(*this);
}
