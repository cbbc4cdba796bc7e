// Scenes 7 to 9: the textured object flying over the landscape with the strobing red picture
// and the clip, the greetings scrolling over a portrait, and a portrait through waves, edges
// and zoom blur.
#include "scenes/scene_steps.h"
#include "scenes/scene_table.h"

void DemoApp::sceneScape() {
  if (beginScene(*this)) return;
  const auto& bitmaps = context->bitmaps;
  Bitmap* scratch = context->scratch.get();
  Object3D* flyer = context->objects[4].get();
  Bitmap* lumo = bitmaps[12].get();
  auto drawFlyer = [&](Bitmap* target, float ay, float tx, float tz) {
    begin3D(0, 0, 0);
    flyer->restorePoints();
    draw3D(flyer, 0, ay, 0, tx, 0, tz, target, Shaded);
  };
  // The clip, waved in place, under the object and a zoom blur.
  auto wavedClip = [&](float freq, float amp, float tz) {
    clip->nextFrame();
    clip->bitmap->wave_vertical(freq, amp, theta(*this), big);
    clip->bitmap->blit(screen, 0, 0);
    drawFlyer(screen, lerpf(*this, 360, 0), 0, tz);
    screen->zoom_feedback(lerpi(*this, 10, 20), big);
  };
  // The object on noisy, strobing scratch, scrolled onto the screen line by line.
  auto scrambled = [&](float t) {
    scratch->add_noise();
    scratch->strobe();
    drawFlyer(scratch, lerpf(*this, 360, 0), 0, lerpf(*this, 800, 3000));
    reportFailure(scratch->horizlinescroll(screen, t));
    screen->blur_horizontal();
    screen->zoom_feedback(8, big);
  };
  switch (step) {
  case 1:
    bitmaps[9]->zoom_window(screen, 63, 91, 145, 100, lerpf(*this, 1, 0), big);
    screen->zoom_feedback(lerpi(*this, 1, 30), big);
    screen->fire();
    bitmaps[22]->blit_mix(screen, 0, 0, lerpi(*this, 255, 0));
    break;
  case 2:
    flyer->textured = true;
    bitmaps[22]->blit(screen, 0, 0);
    drawFlyer(screen, (float)(lerpi(*this, 720, 0) % 360), lerpf(*this, 400, 0), lerpf(*this, 3000, 800));
    break;
  case 3:
    bitmaps[22]->blit(screen, 0, 0);
    drawFlyer(screen, (float)(lerpi(*this, 720, 0) % 360), 0, lerpf(*this, 800, 700));
    break;
  case 4:
    lumo->zoom_window(screen, 160, 100, 10, 10, lerpf(*this, 1, 0), big);
    screen->strobe();
    break;
  case 5:
    lumo->zoom_window(screen, 160, 100, 10, 10, lerpf(*this, 0, 1), big);
    lumo->invert(); // the picture itself: it keeps whichever state the last frame left
    screen->strobe();
    break;
  case 6:
    lumo->zoom_window(screen, 50, 50, 100, 100, lerpf(*this, 1, 0), big);
    clip->nextFrame();
    clip->bitmap->blit_mix(screen, 0, 0, lerpi(*this, 255, 0));
    screen->strobe();
    break;
  case 7:
    lumo->zoom_window(screen, 50, 50, 100, 100, lerpf(*this, 1, 0), big);
    screen->invert();
    clip->nextFrame();
    clip->bitmap->blit_mix(screen, 0, 0, lerpi(*this, 255, 0));
    break;
  case 8:
    wavedClip(3, 0.5f, lerpf(*this, 600, 800));
    break;
  case 9:
    wavedClip(0.5f, 2, lerpf(*this, 800, 700));
    break;
  case 10:
    wavedClip(2, 1, 700);
    break;
  case 11:
    scrambled(lerpf(*this, 1, 2));
    break;
  case 12:
    scrambled(lerpf(*this, 2, 1));
    break;
  case 13:
    scrambled(lerpf(*this, 1, 0));
    screen->mix_colour(0x000000, lerpi(*this, 0, 255));
    break;
  }
  endStep(*this);
}

void DemoApp::sceneGreets() {
  if (beginScene(*this)) return;
  Bitmap* scratch = context->scratch.get();
  auto portraitOnScratch = [&]() {
    scratch->clear();
    context->bitmaps[13]->blit_centered(scratch);
  };
  switch (step) {
  case 1:
    portraitOnScratch();
    scratch->blit(screen, lerpi(*this, 320, 0), 0);
    break;
  case 2:
    screen->clear();
    portraitOnScratch();
    scratch->blit(screen, 0, 0);
    context->bitmaps[28]->blit_add(screen, 40, lerpi(*this, 240, -800));
    break;
  case 3:
    screen->clear();
    portraitOnScratch();
    scratch->blit(screen, 0, 0);
    screen->rotate(scratch, thetaDegrees(*this));
    screen->clear();
    scratch->blit(screen, lerpi(*this, 0, -320), lerpi(*this, 0, -200));
    screen->zoom_feedback(lerpi(*this, 1, 100), big);
    break;
  }
  endStep(*this);
}

void DemoApp::sceneSister() {
  if (beginScene(*this)) return;
  Bitmap* scratch = context->scratch.get();
  Bitmap* sister = context->bitmaps[14].get();
  Bitmap* elec = context->bitmaps[19].get();
  auto portraitOn = [&](Bitmap* target) {
    target->clear();
    sister->blit_centered(target);
  };
  switch (step) {
  case 1:
    portraitOn(screen);
    screen->mix_colour(0x000000, lerpi(*this, 255, 0));
    break;
  case 2:
    portraitOn(screen);
    break;
  case 3:
    screen->clear();
    portraitOn(scratch);
    scratch->wave_horizontal(screen, lerpf(*this, 0.5, 1.5), lerpf(*this, 0, 0.1f), theta(*this));
    break;
  case 4:
    screen->clear();
    portraitOn(scratch);
    scratch->wave_horizontal(screen, lerpf(*this, 1.5, 0.5), lerpf(*this, 0.1f, 0), theta(*this));
    screen->mix_colour(0x000000, lerpi(*this, 0, 64));
    break;
  case 5:
    portraitOn(screen);
    screen->edges(lerpf(*this, 1, 6), big);
    screen->zoom_feedback(lerpi(*this, 1, 20), big);
    screen->blur_horizontal();
    break;
  case 6:
    portraitOn(screen);
    screen->edges(lerpf(*this, 6, 1), big);
    screen->zoom_feedback(lerpi(*this, 20, 40), big);
    screen->fire();
    screen->strobe();
    break;
  case 7:
    portraitOn(screen);
    screen->edges(lerpf(*this, 6, 2), big);
    screen->blur_horizontal();
    screen->zoom_feedback(lerpi(*this, 40, 120), big);
    elec->blit_mix(screen, 40, 10, lerpi(*this, 255, 0));
    break;
  case 8:
    screen->clear();
    scratch->clear();
    elec->blit(scratch, 40, 10);
    scratch->zoom_window(screen, 90, 117, 32, 20, lerpf(*this, 1, 0), big);
    screen->mix_colour(0x000000, lerpi(*this, 0, 255));
    break;
  }
  endStep(*this);
}
