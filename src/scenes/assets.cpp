// loadAssets: every picture, object and the clip, loaded once before the clocks start and filed
// under the fixed slot numbers the scenes address.
#include <cstdio>

#include "shell/demo_app.h"

namespace {

struct PictureSlot {
  int slot;
  const char* file;
};

// Slots 7, 10 and 29 on stay empty. Slots 1 to 6 come first so slot 6 can be re-framed before the rest.
const PictureSlot firstPictures[] = {
    {1, "dat\\logo.jpg"}, {2, "dat\\ridud.jpg"}, {3, "dat\\redchin.jpg"},
    {4, "dat\\guitar.jpg"}, {5, "dat\\gfx.jpg"}, {6, "dat\\bazooka.jpg"},
};
const PictureSlot laterPictures[] = {
    {8, "dat\\code.jpg"},     {11, "dat\\pink666.jpg"}, {9, "dat\\music.jpg"},    {18, "dat\\water.jpg"},
    {12, "dat\\lumored.jpg"}, {13, "dat\\lumoside.jpg"}, {14, "dat\\sister.jpg"},  {19, "dat\\lumoelec.jpg"},
    {15, "dat\\egg.jpg"},     {16, "dat\\static.jpg"},  {17, "dat\\mewmew.jpg"},   {20, "dat\\swirl.jpg"},
    {21, "dat\\yellow.jpg"},  {22, "dat\\scape.jpg"},   {23, "dat\\cabtex.jpg"},   {24, "dat\\boo.jpg"},
    {25, "dat\\butt.jpg"},    {26, "dat\\cage.jpg"},    {27, "dat\\white.jpg"},    {28, "dat\\greets.jpg"},
};
const int swirlSlot = 20;

struct ObjectSlot {
  int slot;
  const char* file;
  int texture;  // bitmap slot
  bool bumped;  // shares the swirl bump map
};

const ObjectSlot objectSlots[] = {
    {0, "dat\\Brimvale.lwo", 27, false}, {1, "dat\\99.lwo", 27, false}, {2, "dat\\zub.lwo", 1, false},
    {3, "dat\\dot.lwo", 1, false},       {5, "dat\\ball.lwo", 25, true}, {6, "dat\\ball2.lwo", 25, true},
    {4, "dat\\vrt.lwo", 21, false},
};

} // namespace

zub::Failure DemoApp::loadAssets() {
  std::vector<std::unique_ptr<Bitmap>>& slots = context->bitmaps;
  slots[0] = std::make_unique<Bitmap>(width, height);
  if (!slots[0]->ok()) return slots[0]->failure;
  for (const PictureSlot& p : firstPictures) {
    slots[p.slot] = std::make_unique<Bitmap>(p.file);
    if (!slots[p.slot]->ok()) return slots[p.slot]->failure;
  }

  // Slot 6 becomes the bazooka picture centred on a black screen-size canvas (cropped when larger).
  Bitmap* canvas = context->scratch.get();
  slots[6]->blit(canvas, (320 - slots[6]->width) / 2, (240 - slots[6]->height) / 2);
  slots[6] = std::make_unique<Bitmap>(320, 240);
  if (!slots[6]->ok()) return slots[6]->failure;
  canvas->blit(slots[6].get(), 0, 0);

  for (const PictureSlot& p : laterPictures) {
    slots[p.slot] = std::make_unique<Bitmap>(p.file);
    if (!slots[p.slot]->ok()) return slots[p.slot]->failure;
    if (p.slot == swirlSlot) {
      swirlBump = slots[p.slot]->make_bumpmap();
      if (swirlBump.failure) return swirlBump.failure;
    }
  }

  for (const ObjectSlot& o : objectSlots) {
    context->objects[o.slot] = std::make_unique<Object3D>(context->space);
    Object3D* object = context->objects[o.slot].get();
    if (zub::Failure failure = object->loadFromFile(o.file)) return failure;
    object->camera = camera.get();
    object->addLight(mainLight.get());
    object->texture = slots[o.texture].get();
    if (o.bumped) object->bumpMap = &swirlBump;
  }
  for (int i = 0; i < 50; ++i)
    if (context->objects[i]) context->objects[i]->planarMap();

  MpegFatal clipFailure;
  clip = VideoClip::open("dat\\guns.mpg", clipFailure);
  if (!clip) return asFailure(clipFailure, "dat\\guns.mpg");
  // The two pictures the scenes scroll line by line get that table now, so no frame can fail for it.
  if (zub::Failure failed = clip->bitmap->reserveLineScroll()) return failed;
  return context->scratch->reserveLineScroll();
}
