#include "shell/demo_app.h"

#include <cstdio>
#include <cstring>

#include "core/clock.h"
#include "core/fatal.h"
#include "render/rasterize.h"
#include "safety/flash_limiter.h"
#include "scenes/scene_table.h"
#include "shell/notice.h"
#include "shell/stop_signal.h"

namespace {

// Room for the scene marks' packed pictures (all twelve take about 3 MB).
constexpr size_t markStoreWords = 1u << 20;

void limitFlashes(uint32_t* pixels, int, int, void* limiter) {
  ((zub::FlashLimiter*)limiter)->apply(pixels, zub::clockNow());
}

} // namespace

void stopIfFailed(const zub::Failure& failure) {
  if (failure) zub::fatal(failure);
}

DemoApp::DemoApp(ptc::Backend display, const DemoSettings& settings) : settings(settings) {
  consoleWidth = 320;
  consoleHeight = 240;
  colourBits = 32;
  width = 320;
  height = 240;
  originX = 0;
  originY = 0;
  // The tune is read, and the audio device opened, while the window is made and the pictures load;
  // the music player's start takes them.
  if (settings.music && display == ptc::Backend::Sdl) musicHeadStart = std::make_unique<MidasHeadStart>("music.dat");
  console =
      std::make_unique<DisplayConsole>(display, consoleWidth, consoleHeight, colourBits, originX, originY, width, height);
  windowHandle = console->windowHandle();
  if (musicHeadStart) musicHeadStart->openDevice();
  // Until the device is awaited this thread makes no SDL call, and a failure waits for the threads.
  auto stop = [this](const zub::Failure& failure) {
    if (failure) musicHeadStart.reset();
    stopIfFailed(failure);
  };
  context = std::make_unique<EngineContext>(width, height);
  stop(context->failure);
  big = context->effectScratch();
  work = std::make_unique<Bitmap>(320, 240);
  stop(work->failure);
  // Its pages are taken now rather than by the first frame that composes in it.
  memset(work->pixels, 0, (size_t)work->width * work->height * 4);
  camera = std::make_unique<Camera>();
  mainLight = std::make_unique<Light>();
  sideLight = std::make_unique<Light>();
  stop(loadAssets());
  if (musicHeadStart) musicHeadStart->awaitDevice();
  if (settings.music) music = std::make_unique<MusicPlayer>("music.dat", windowHandle);
  if (settings.reduceFlashes) {
    limiter = std::make_unique<zub::FlashLimiter>(settings.lossyVideo ? zub::FlashLimiter::Margin::LossyVideo
                                                                      : zub::FlashLimiter::Margin::Exact);
    console->setFilter(limitFlashes, limiter.get());
  }
  // Before the music and the clocks, so the timeline is the same with it or without.
  bool viewerLeft = settings.notice && !showPhotosensitivityNotice(*console, settings.reduceFlashes);
  if (viewerLeft) {
    music.reset(); // never started: nothing to stop
  } else if (music) {
    stopIfFailed(music->start());
    if (!music->soundless.empty()) fprintf(stderr, "zubdemo: no sound: %s; playing on without it\n", music->soundless.c_str());
  }
  pacer = std::make_unique<FramePacer>();
  pacer->restart();
  pacer->setRate(30.0f);
  timer = std::make_unique<SceneTimer>();
  marks.resize(sceneCount);
  for (SceneMark& mark : marks) mark.textured.resize(context->objects.size());
  if (settings.keepMarks) markStore = std::make_unique<MarkStore>(markStoreWords, edgeTableSize);
  // A timeline from its first frame draws as in a fresh process, also when another came before it.
  clearEdgeTable();
  step = 0;
  quit = viewerLeft;
  screen = context->bitmaps[0].get();
  sceneFn = sceneTable[0].fn;
}

DemoApp::~DemoApp() {
  // Torn down without shutdown() (a test, or an error on its way to main): the player layer is
  // process-wide and must not be left playing. A destructor has no one to stop the program for,
  // so a failure here is only told.
  if (!music) return;
  if (zub::Failure failure = music->stop()) fputs(failure.message.c_str(), stderr);
}

void DemoApp::begin3D(float ax, float ay, float az) {
  mainLight->update(ax, ay, az);
  context->clearZBuffer();
}

void DemoApp::draw3D(Object3D* object, float ax, float ay, float az, float tx, float ty, float tz, Bitmap* target,
                     RenderMode mode) {
  object->transformAndProject(ax, ay, az, tx, ty, tz, 1, 1, 1, width, height);
  for (int i = 0; i < emptiedCount; ++i) {
    if (emptied[i].picture != target) continue;
    // A picture an unseen frame emptied: the polygons' edges still go through the rasterizers'
    // table, which later frames read, at the picture's own size.
    target->width = emptied[i].width;
    target->height = emptied[i].height;
    setEdgesOnly(true);
    object->render(target, mode);
    setEdgesOnly(false);
    target->width = target->height = 0;
    return;
  }
  object->render(target, mode);
}

bool DemoApp::runPass() {
  if (console->pumpMessages() || zub::stopSignal()) return false;
  takeControls();
  if (quit) return false;
  if (captionHideAt >= 0 && !paused && zub::clockNow() >= captionHideAt) {
    console->setCaption(nullptr, 0, 0);
    captionHideAt = -1;
  }
  if (paused || !pacer->frameDue()) {
    // Sleep until the next frame falls due or an event comes, instead of spinning a core.
    console->waitMessages(paused ? 100 : pacer->ticksUntilDue());
    return true;
  }
  drawFrame();
  console->present();
  if (frameHook) frameHook(*this, frameHookData);
  return true;
}

void DemoApp::drawFrame(bool unseen, bool composingUnseen) {
  // Drawn at the moment the frame falls due, as the offline renderer draws it: what the window shows
  // is exactly its frames, however late a frame comes.
  const bool wall = !zub::clockIsVirtual();
  const int32_t due = pacer->startTicks + pacer->dueTicks(pacer->framesIssued - 1);
  if (wall) zub::clockUseVirtual(due);
  pixels = console->lock();
  screen->borrowPixels(pixels);
  // An unseen frame draws on an empty screen (and composing picture, when the next frame paints it
  // anew): every drawing onto them is skipped, and the rest of the frame's work (the other pictures,
  // the objects, the random numbers, the clip's decoding) is done.
  if (clip) clip->unseen = unseen;
  auto empty = [&](Bitmap* picture) {
    emptied[emptiedCount++] = {picture, picture->width, picture->height};
    picture->width = picture->height = 0;
  };
  if (unseen) empty(screen);
  if (unseen && composingUnseen) empty(context->scratch.get());
  frameScene = sceneFn;
  frameStep = step;
  if (step == 0) {
    sceneStartedMs = due - pacer->startTicks;
    const int scene = sceneIndex(sceneFn);
    if (!marks[scene].taken) takeMark(scene);
  }
  (this->*sceneFn)();
  for (; emptiedCount > 0; --emptiedCount) {
    const Emptied& e = emptied[emptiedCount - 1];
    e.picture->width = e.width;
    e.picture->height = e.height;
  }
  if (clip) clip->unseen = false;
  if (wall) zub::clockUseWall();
  stopIfFailed(stepFailure);
  if (clip && clip->failed) stopIfFailed(asFailure(clip->failure, clip->path));
}

bool DemoApp::passUntilNextFrame() {
  const int before = pacer->framesIssued;
  while (pacer->framesIssued == before)
    if (!runPass()) return false;
  return true;
}

// Each frame at the first whole millisecond the pacer grants it.
void DemoApp::clockToFrame(int n) { zub::clockSetVirtual(pacer->startTicks + pacer->dueTicks(n)); }

void DemoApp::run() {
  while (runPass()) {
  }
}

void DemoApp::shutdown() {
  printf("key has been hit, exiting...\n");
  if (music) stopIfFailed(music->stop());
  music.reset();
  console->close();
  console.reset();
}

int runDemo(ptc::Backend display, FrameHook hook, void* hookData, const DemoSettings& settings) {
  auto app = std::make_unique<DemoApp>(display, settings);
  app->frameHook = hook;
  app->frameHookData = hookData;
  if (!app->quit) printf("start running the demo\n"); // else the viewer left at the notice
  if (!app->quit && settings.startLater) app->moveTo(settings.start);
  app->run();
  app->shutdown();
  return 0;
}
