// The viewer's controls: pause, jumps between scenes, a start anywhere, the tune's volume, and the
// caption that shows what they did. A jump lands on exactly the frame the uninterrupted demo (the
// offline renderer's frames) shows at that moment: the timeline is deterministic, so the frames
// between are drawn unseen on the virtual clock, from where the demo stands when the target lies
// ahead, or from a timeline built anew and set to the latest scene start kept (scene_marks.h) when it
// lies behind.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "core/clock.h"
#include "core/frame.h"
#include "core/portable.h"
#include "core/random.h"
#include "image/tiny_font.h"
#include "music/midas.h"
#include "render/rasterize.h"
#include "scenes/scene_table.h"
#include "shell/demo_app.h"

namespace {

const int captionMs = 1200;  // how long a caption stays after a control (kept while paused)
const int volumeStep = 10;   // percent per Up or Down
const int backToPreviousMs = 2000; // Left within this much of a scene's start goes to the scene before

// m:ss of a time in milliseconds.
std::string minutes(int32_t ms) {
  char text[16];
  const int seconds = ms / 1000;
  snprintf(text, sizeof text, "%d:%02d", seconds / 60, seconds % 60);
  return text;
}

} // namespace

int32_t DemoApp::timelineMs() const {
  return pacer->framesIssued > 0 ? pacer->dueTicks(pacer->framesIssued - 1) : 0;
}

void DemoApp::takeControls() {
  ptc::Control control;
  while (ptc::takeControl(console->window, control)) {
    // The scene whose frames come next: at a scene's start (after a jump there) that is the scene
    // jumped to, though the picture shown is still the last of the one before.
    const int scene = sceneIndex(sceneFn);
    switch (control) {
    case ptc::Control::Pause:
      paused = !paused;
      zub::clockHold(paused);
      midasPause(paused);
      break;
    case ptc::Control::Next:
      if (scene + 1 < sceneCount) moveTo({scene + 1, 0});
      break;
    case ptc::Control::Previous: {
      const bool atStart = step == 0 || timelineMs() - sceneStartedMs < backToPreviousMs;
      moveTo({atStart && scene > 0 ? scene - 1 : scene, 0});
      break;
    }
    case ptc::Control::VolumeUp:
    case ptc::Control::VolumeDown:
      volume += control == ptc::Control::VolumeUp ? volumeStep : -volumeStep;
      volume = volume < 0 ? 0 : volume > 100 ? 100 : volume;
      muted = false;
      midasSetVolume(volume);
      break;
    case ptc::Control::Mute:
      muted = !muted;
      midasSetVolume(muted ? 0 : volume);
      break;
    }
    showCaption();
  }
}

void DemoApp::showCaption() {
  const int scene = sceneIndex(sceneFn);
  const char* name = sceneName(scene);
  if (strncmp(name, "scene", 5) == 0) name += 5;
  char text[96];
  const std::string volumeText = muted ? std::string("MUTED") : "VOLUME " + std::to_string(volume) + "%";
  snprintf(text, sizeof text, "%s%d/%d %s  %s / %s  %s", paused ? "PAUSED  " : "", scene + 1, sceneCount, name,
           minutes(timelineMs()).c_str(), minutes(pacer->dueTicks(timelineFrames() - 1)).c_str(), volumeText.c_str());
  setCaptionText(text);
}

void DemoApp::setCaptionText(const char* text) {
  // Drawn at the display's own scale, so its pixels are the screen's and the text stays sharp.
  const int scale = console->displayScale();
  const int pad = 3 * scale;
  const int w = (int)strlen(text) * zub::glyphAdvance * scale + 2 * pad - scale;
  const int h = zub::glyphHeight * scale + 2 * pad;
  if ((size_t)(w * h) > caption.size()) caption.resize((size_t)w * h); // only when a larger one is asked for
  std::fill(caption.begin(), caption.begin() + (size_t)w * h, 0xB0000000u);
  zub::drawText(caption.data(), w, h, pad, pad, text, 0xFFFFFFFFu, scale);
  console->setCaption(caption.data(), w, h);
  captionHideAt = zub::clockNow() + captionMs;
  // Shown at once, also while the pause keeps new frames from coming.
  console->reshow();
}

void DemoApp::drawAhead(StartPoint point, DemoApp& viewer) {
  const bool wall = !zub::clockIsVirtual();
  const int target = point.scene >= 0 ? point.scene : -1;
  // A long way shows how far it has come, on the viewer's window, after the first 0.3 s.
  const auto began = std::chrono::steady_clock::now();
  auto shown = began;
  const int from = pacer->framesIssued;
  const int to = target >= 0 ? sceneFirstFrame(target)
                              : std::min(timelineFrames(), (int)(point.ms / pacer->periodTicks) + 1);
  while (!quit) {
    if (target >= 0 && sceneIndex(sceneFn) == target && step == 0) break;
    if (target < 0 && pacer->dueTicks(pacer->framesIssued) > point.ms) break;
    if ((pacer->framesIssued & 31) == 0 && to > from) {
      const auto now = std::chrono::steady_clock::now();
      if (now - began > std::chrono::milliseconds(300) && now - shown > std::chrono::milliseconds(100)) {
        char text[64];
        snprintf(text, sizeof text, "MOVING  %d%%", (int)(100.0 * (pacer->framesIssued - from) / (to - from)));
        viewer.setCaptionText(text);
        shown = now;
      }
    }
    const int frame = pacer->framesIssued;
    zub::clockUseVirtual(pacer->startTicks + pacer->dueTicks(frame));
    // A frame whose picture the next frame covers is never seen: its screen is left undrawn. The
    // last frame is the one shown, and the first of a scene (step 0) draws nothing over its
    // predecessor, so both of those are drawn.
    const int scene = sceneIndex(sceneFn);
    bool unseen = step >= 1 && stepMayGoUnseen(scene, step) && (target >= 0 || pacer->dueTicks(frame + 1) <= point.ms);
    bool composingUnseen = false;
    if (unseen) {
      // The step's timer, read at this frame's moment, says whether the next frame begins the next
      // step; a scene's first frame (step 0) covers nothing.
      const int next = !timer->done() ? step : step < sceneTable[scene].stepCount ? step + 1 : 0;
      unseen = stepCovers(scene, next);
      composingUnseen = stepComposes(scene, step) && stepComposes(scene, next);
    }
    pacer->frameDue();
    drawFrame(unseen, composingUnseen);
    console->unlock();
  }
  if (wall) zub::clockUseWall();
}

void DemoApp::takeTimeline(DemoApp& other) {
  std::swap(context, other.context);
  std::swap(big, other.big);
  std::swap(screen, other.screen);
  std::swap(timer, other.timer);
  std::swap(clip, other.clip);
  std::swap(camera, other.camera);
  std::swap(mainLight, other.mainLight);
  std::swap(sideLight, other.sideLight);
  std::swap(work, other.work);
  std::swap(swirlBump, other.swirlBump);
  // The bumped objects point at their own demo's bump map, which now holds the other's heights.
  for (auto* app : {this, &other}) {
    DemoApp* previous = app == this ? &other : this;
    for (auto& object : app->context->objects)
      if (object && object->bumpMap == &previous->swirlBump) object->bumpMap = &app->swirlBump;
  }
  std::swap(step, other.step);
  std::swap(sceneFn, other.sceneFn);
  std::swap(quit, other.quit);
  std::swap(frameScene, other.frameScene);
  std::swap(frameStep, other.frameStep);
  std::swap(sceneStartedMs, other.sceneStartedMs);
  std::swap(pacer->framesIssued, other.pacer->framesIssued);
  // The picture on the surface is part of the state: feedback effects draw over it. The other's
  // timeline is discarded once taken, so its surface needs nothing back.
  uint32_t* mine = console->lock();
  const uint32_t* theirs = other.console->lock();
  std::copy(theirs, theirs + zub::framePixels, mine);
  other.console->unlock();
  console->unlock();
}

void DemoApp::takeMark(int scene) {
  if (!markStore) return;
  SceneMark& mark = marks[scene];
  const size_t storeHeld = markStore->usedBytes();
  // A picture no scene changed since the mark before shares that mark's packed words.
  const SceneMark* before = nullptr;
  for (const SceneMark& other : marks)
    if (other.taken && other.framesBefore < pacer->framesIssued - 1 && (!before || other.framesBefore > before->framesBefore))
      before = &other;
  auto keep = [&](PackedSpan SceneMark::*span, const Bitmap& picture) {
    const size_t count = (size_t)picture.width * picture.height;
    if (before && markStore->holds(before->*span, picture.pixels, count)) {
      mark.*span = before->*span;
      return true;
    }
    return markStore->keep(picture.pixels, count, mark.*span);
  };
  bool kept = markStore->keep(pixels, zub::framePixels, mark.surface);
  kept = kept && keep(&SceneMark::scratch, *context->scratch) && keep(&SceneMark::work, *work);
  if (clip) {
    kept = kept && keep(&SceneMark::clipPicture, *clip->bitmap);
    mark.clipCalls = clip->calls;
  }
  saveEdgeTable(markStore->staging());
  kept = kept && markStore->keep(markStore->staging(), edgeTableSize, mark.edgeTable);
  if (!kept) {
    // The store is full: this scene start is not kept, and a jump back to it draws from an earlier one.
    markStore->dropTo(storeHeld);
    return;
  }
  mark.framesBefore = pacer->framesIssued - 1;
  mark.randState = zub::demoRandState();
  mark.strobePhase = Bitmap::strobePhase();
  mark.timer = *timer;
  mark.camera = *camera;
  mark.mainLight = *mainLight;
  mark.sideLight = *sideLight;
  for (size_t i = 0; i < context->objects.size(); ++i) mark.textured[i] = context->objects[i] && context->objects[i]->textured;
  mark.taken = true;
}

bool DemoApp::restoreMark(const SceneMark& mark) {
  MarkStore& store = *markStore;
  pacer->framesIssued = mark.framesBefore;
  zub::demoRandRestore(mark.randState);
  Bitmap::strobeRestore(mark.strobePhase);
  *timer = *mark.timer;
  *camera = *mark.camera;
  *mainLight = *mark.mainLight;
  *sideLight = *mark.sideLight;
  for (size_t i = 0; i < context->objects.size(); ++i)
    if (context->objects[i]) context->objects[i]->textured = mark.textured[i];
  bool whole = store.put(mark.edgeTable, store.staging(), edgeTableSize);
  restoreEdgeTable(store.staging());
  whole = whole && store.put(mark.surface, console->lock(), zub::framePixels);
  console->unlock();
  whole = whole && store.put(mark.scratch, context->scratch->pixels, (size_t)context->scratch->width * context->scratch->height);
  whole = whole && store.put(mark.work, work->pixels, (size_t)work->width * work->height);
  if (clip) {
    clip->skipTo(mark.clipCalls);
    whole = whole && store.put(mark.clipPicture, clip->bitmap->pixels, (size_t)clip->bitmap->width * clip->bitmap->height);
  }
  step = 0;
  return whole;
}

void DemoApp::moveTo(StartPoint point) {
  const bool wall = !zub::clockIsVirtual();
  const int current = sceneIndex(sceneFn);
  // A scene is ahead while its first frame is still to come.
  const bool ahead = point.scene >= 0 ? point.scene > current || (point.scene == current && step == 0)
                                      : point.ms >= timelineMs();
  if (ahead) {
    drawAhead(point, *this);
  } else {
    // Built anew (silently: its load lines were printed once already), on the virtual clock from this
    // run's own start, and taken to the latest scene start this timeline has passed that is not past
    // the target; from the very beginning when there is none.
    int from = -1;
    for (int scene = 0; scene < sceneCount; ++scene) {
      const SceneMark& mark = marks[scene];
      if (!mark.taken) continue;
      if (point.scene >= 0 ? scene <= point.scene : pacer->dueTicks(mark.framesBefore) <= point.ms) from = scene;
    }
    const int32_t now = zub::clockNow();
    zub::clockUseVirtual(pacer->startTicks);
    zub::demoRandReset();
    Bitmap::strobeReset();
    DemoSettings fresh;
    fresh.music = false;
    fresh.keepMarks = false;
    {
      zub::QuietStandardOutput quiet;
      DemoApp anew(ptc::Backend::Memory, fresh);
      // The marks it takes on the way go into this timeline's store.
      std::swap(anew.markStore, markStore);
      if (from >= 0) {
        anew.sceneFn = sceneTable[from].fn;
        if (!anew.restoreMark(marks[from])) stopIfFailed({true, 1, "a kept scene start could not be read back\n"});
        anew.marks[from] = marks[from];
      }
      anew.drawAhead(point, *this);
      takeTimeline(anew);
      // The scene starts it passed on the way are this timeline's too.
      for (int scene = 0; scene < sceneCount; ++scene)
        if (!marks[scene].taken && anew.marks[scene].taken) marks[scene] = anew.marks[scene];
      std::swap(anew.markStore, markStore);
    }
    // The replaced timeline is freed; its memory goes back to the system.
    zub::releaseFreedMemory();
    if (wall) zub::clockUseWall();
    else zub::clockSetVirtual(now);
  }
  // The clocks go on from the moment of the frame now on the surface; the tune is moved there.
  const int32_t at = timelineMs();
  if (wall) zub::clockContinueAt(pacer->startTicks + at);
  else zub::clockSetVirtual(pacer->startTicks + at);
  midasSeek(at / 1000.0);
  console->lock();
  console->present();
  if (captionHideAt >= 0 || paused) showCaption();
}
