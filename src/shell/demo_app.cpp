#include "shell/demo_app.h"

#include <cstdio>
#include <cstdlib>

#include "core/fatal.h"

DemoApp::DemoApp() {
  consoleWidth = 320;
  consoleHeight = 240;
  colourBits = 32;
  width = 320;
  height = 240;
  originX = 0;
  originY = 0;
  console = std::make_unique<DisplayConsole>(consoleWidth, consoleHeight, colourBits, originX, originY, width, height);
  windowHandle = console->windowHandle();
  context = std::make_unique<EngineContext>(width, height);
  setEngine(context.get());
  work = new Bitmap(320, 240);
  camera = new Camera();
  mainLight = new Light();
  sideLight = new Light();
  loadAssets();
  music = std::make_unique<MusicPlayer>("music.dat", windowHandle);
  music->start();
  pacer = std::make_unique<FramePacer>();
  pacer->restart();
  pacer->setRate(30.0f);
  timer = std::make_unique<SceneTimer>();
  step = 0;
  quit = false;
  screen = context->bitmaps[0];
  sceneFn = &DemoApp::sceneLogo;
}

DemoApp::~DemoApp() {
  if (music) music->stop(); // torn down without shutdown(): still stop the tune cleanly
  // The demo itself leaves these to process exit; releasing them keeps leak checks meaningful.
  for (int i = 0; i < context->slotCount; ++i) {
    delete context->bitmaps[i];
    delete context->objects[i];
  }
  delete clip;
  delete camera;
  delete mainLight;
  delete sideLight;
  delete work;
  delete swirlBump;
  if (engine() == context.get()) setEngine(nullptr);
}

void DemoApp::begin3D(float ax, float ay, float az) {
  mainLight->update(ax, ay, az);
  context->clearZBuffer();
}

void DemoApp::draw3D(Object3D* object, float ax, float ay, float az, float tx, float ty, float tz, Bitmap* target,
                     RenderMode mode) {
  object->transformAndProject(ax, ay, az, tx, ty, tz, 1, 1, 1, width, height);
  object->render(target, mode);
}

bool DemoApp::runPass() {
  if (console->pumpMessages()) return false;
  if (quit) return false;
  if (!pacer->frameDue()) {
    // Sleep until the next frame falls due or an event comes, instead of spinning a core.
    console->waitMessages(pacer->ticksUntilDue());
    return true;
  }
  pixels = console->lock();
  screen->borrowPixels(pixels);
  frameScene = sceneFn;
  frameStep = step;
  (this->*sceneFn)();
  if (clip && clip->failed) stopOnClipFailure(clip->failure);
  console->present();
  if (frameHook) frameHook(*this, frameHookData);
  return true;
}

void DemoApp::run() {
  while (runPass()) {
  }
}

void DemoApp::shutdown() {
  printf("key has been hit, exiting...\n");
  music->stop();
  music.reset();
  console->close();
  console.reset();
}

void stopOnClipFailure(const MpegFatal& failure) {
  if (failure.toStdout) zub::fatal(1, "%s", failure.message.c_str());
  fputs(failure.message.c_str(), stderr);
  exit(1);
}

int runDemo(FrameHook hook, void* hookData) {
  DemoApp* app = new DemoApp();
  app->frameHook = hook;
  app->frameHookData = hookData;
  printf("start running the demo\n");
  app->run();
  app->shutdown();
  delete app;
  return 0;
}
