// zubdemo in a web browser. The page calls one of two entries:
//  - zub_web_play, from a click (browsers start sound only after one): the demo on the wall clock
//    with its tune, one pass of the desktop frame loop after another from the animation frame in
//    which a frame falls due, the flash limiter on when the start screen asks for it (the start
//    screen is the photosensitivity notice here);
//    The page's control bar moves, pauses and sets the volume through zub_web_seek, zub_web_control
//    and zub_web_volume, and follows the demo through zub_page_scenes and zub_page_position;
//  - zub_web_hashes, the test hook: frames 0..N on the offline renderer's virtual clock, silent,
//    publishing the hash of each listed frame as the golden frames of the tests are hashed.
#include <emscripten/emscripten.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <cstring>
#include <string>

#include "core/clock.h"
#include "core/frame.h"
#include "core/frame_hash.h"
#include "core/random.h"
#include "music/midas.h"
#include "platform/ptc.h"
#include "scenes/scene_table.h"
#include "shell/demo_app.h"
#include "shell/demo_options.h"

extern "C" {
// web/web_platform.js
void zub_page_ended();
void zub_page_stats(int frames, double busyMs, int reduceFlashes);
void zub_page_hashes(const char* text, int done);
void zub_page_scenes(const char* list, int lengthMs);
void zub_page_position(int ms, int paused, int volume, int muted);
void zub_loop_start();
void zub_loop_wake();
}

namespace {

DemoApp* app = nullptr;
int framesShown = 0;
double busyMs = 0;      // time spent in passes that drew a frame

// One animation frame of the page covers ~16 ms; rendering catches up with every frame the pacer
// has granted, as the desktop loop does back to back, but gives the page back after this long.
const double sliceMs = 50;

// While paused nothing falls due; the controls are still taken this often (a key or a button on
// the bar wakes the loop at once anyway).
const int pausedPollMs = 100;

void finish() {
  app->shutdown();
  delete app;
  app = nullptr;
  zub_page_ended();
}

} // namespace

// One animation frame of play (web_platform.js calls it): every pass that is due, then the
// milliseconds until the next frame falls due (0: at once), or -1 when the demo has ended.
extern "C" EMSCRIPTEN_KEEPALIVE int zub_web_slice() {
  if (!app) return -1;
  const double start = emscripten_get_now();
  bool behind = false; // frames still due after the slice's time: the next animation frame goes on
  for (;;) {
    const int before = app->pacer->framesIssued;
    const double passStart = emscripten_get_now();
    if (!app->runPass()) {
      finish();
      return -1;
    }
    if (app->pacer->framesIssued == before) break; // nothing due yet
    ++framesShown;
    busyMs += emscripten_get_now() - passStart;
    if (emscripten_get_now() - start > sliceMs) {
      behind = true;
      break;
    }
  }
  zub_page_stats(framesShown, busyMs, app->limiter ? 1 : 0);
  zub_page_position(app->timelineMs(), app->paused ? 1 : 0, app->volume, app->muted ? 1 : 0);
  if (behind) return 0;
  if (app->paused) return pausedPollMs;
  return app->pacer->ticksUntilDue();
}

namespace {

// The scenes' starts on the timeline and their names, for the marks of the page's timeline bar:
// one "ms name" line each.
void tellScenes() {
  std::string list;
  for (int s = 0; s < sceneCount; ++s) {
    const char* name = sceneName(s);
    if (strncmp(name, "scene", 5) == 0) name += 5;
    list += std::to_string(app->pacer->dueTicks(sceneFirstFrame(s))) + " " + name + "\n";
  }
  zub_page_scenes(list.c_str(), app->pacer->dueTicks(timelineFrames() - 1));
}

// ---- the test hook ----

std::set<int> wanted;
int lastWanted = 0;
int frameNumber = 0;
std::string report;

void recordHash() {
  const int scene = sceneIndex(app->frameScene);
  char line[96];
  snprintf(line, sizeof line, "%d %s %llx\n", frameNumber, sceneName(scene),
           (unsigned long long)zub::frameHash(app->console->presentedFrame(), zub::framePixels));
  report += line;
}

void hashSlice() {
  const double start = emscripten_get_now();
  while (emscripten_get_now() - start < sliceMs) {
    const bool running = app->passUntilNextFrame();
    if (running && wanted.count(frameNumber)) recordHash();
    if (!running || frameNumber >= lastWanted) {
      emscripten_cancel_main_loop();
      zub_page_hashes(report.c_str(), 1);
      return;
    }
    ++frameNumber;
    app->clockToFrame(frameNumber);
  }
  zub_page_hashes(report.c_str(), 0);
}

void enterData() {
  if (chdir("/data") != 0) {
    fprintf(stderr, "the data pack is missing\n");
    exit(1);
  }
}

} // namespace

// `reduceFlashes`: the flash limiter between each frame and the canvas (the start screen's checkbox).
// `scene` (?scene=N or a name) or `seconds` (?t=T, when at least 0): where the run begins, as
// zubdemo --start has it; empty and -1 begin at the start.
extern "C" EMSCRIPTEN_KEEPALIVE void zub_web_play(int reduceFlashes, const char* scene, double seconds) {
  if (app) return;
  enterData();
  midasUseBackend(MidasBackend::Sdl);
  DemoSettings settings;
  settings.reduceFlashes = reduceFlashes != 0;
  if (scene && *scene) {
    settings.startLater = zub::parseStartPoint(scene, settings.start.scene, settings.start.ms);
  } else if (seconds >= 0 && seconds <= timelineSeconds()) {
    settings.startLater = true;
    settings.start = StartPoint{-1, (int32_t)(seconds * 1000 + 0.5)};
  }
  app = new DemoApp(ptc::Backend::Sdl, settings);
  printf("start running the demo\n");
  if (settings.startLater) app->moveTo(settings.start);
  tellScenes();
  zub_loop_start();
}

// The page's timeline bar: to the frame the uninterrupted demo shows at `seconds`, as a start
// there would. Called between two passes of the frame loop.
extern "C" EMSCRIPTEN_KEEPALIVE void zub_web_seek(double seconds) {
  if (!app || !(seconds >= 0)) return;
  const int32_t last = app->pacer->dueTicks(timelineFrames() - 1);
  const int32_t ms = std::min(last, (int32_t)(seconds * 1000 + 0.5));
  app->moveTo(StartPoint{-1, ms});
  app->showCaption();
  zub_page_position(app->timelineMs(), app->paused ? 1 : 0, app->volume, app->muted ? 1 : 0);
  zub_loop_wake();
}

// The hash of the frame the demo shows (before any caption), as the golden frames are hashed: the
// page's test reads where a move landed.
extern "C" EMSCRIPTEN_KEEPALIVE const char* zub_web_frame_hash() {
  static char text[20];
  snprintf(text, sizeof text, "%llx",
           app ? (unsigned long long)zub::frameHash(app->console->presentedFrame(), zub::framePixels) : 0ull);
  return text;
}

// The page's buttons: a control as its key gives it (numbered as ptc::Control).
extern "C" EMSCRIPTEN_KEEPALIVE void zub_web_control(int control) {
  if (!app || control < 0 || control > (int)ptc::Control::Mute) return;
  ptc::postControl(app->console->window, (ptc::Control)control);
  zub_loop_wake();
}

// The page's volume slider: percent of the tune's own level; unmutes, as the volume keys do.
extern "C" EMSCRIPTEN_KEEPALIVE void zub_web_volume(int percent) {
  if (!app) return;
  app->volume = std::clamp(percent, 0, 100);
  app->muted = false;
  midasSetVolume(app->volume);
  app->showCaption();
}

// `frames`: the frame numbers to hash, separated by commas.
extern "C" EMSCRIPTEN_KEEPALIVE void zub_web_hashes(const char* frames) {
  if (app) return;
  for (const char* p = frames; *p;) {
    char* end;
    long n = strtol(p, &end, 10);
    if (end == p) break;
    if (n >= 0 && n <= 100000) {
      wanted.insert((int)n);
      if (n > lastWanted) lastWanted = (int)n;
    }
    p = *end ? end + 1 : end;
  }
  enterData();
  midasUseBackend(MidasBackend::Silent);
  zub::clockUseVirtual(0);
  zub::demoRandReset();
  app = new DemoApp(ptc::Backend::Sdl);
  zub::clockSetVirtual(app->pacer->startTicks);
  // Timers, not animation frames: the hash run must go on in a hidden or background page.
  emscripten_set_main_loop(hashSlice, 1000, false);
  emscripten_set_main_loop_timing(EM_TIMING_SETIMMEDIATE, 0);
}
