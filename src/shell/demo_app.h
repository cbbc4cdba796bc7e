// DemoApp: the top-level object that owns every long-lived piece, builds them in a fixed order
// (display, context, work bitmap, assets, then the clocks, so loading never counts against the
// timeline) and runs the one frame loop. Scenes are member step functions called once a frame.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "image/bitmap.h"
#include "music/midas.h"
#include "music/music_player.h"
#include "objects/geometry.h"
#include "objects/object3d.h"
#include "video/video_clip.h"
#include "platform/display_console.h"
#include "shell/engine_context.h"
#include "shell/frame_pacer.h"
#include "shell/scene_marks.h"

class DemoApp;
namespace zub {
class FlashLimiter;
}
using SceneFn = void (DemoApp::*)();

// Called after every presented frame; the offline renderer uses it to advance its virtual clock
// and write the frame, tests to look at it.
using FrameHook = void (*)(DemoApp& app, void* data);

// Where a run starts: at a scene's first frame, or at a moment of the timeline (the frame shown then).
struct StartPoint {
  int scene = -1;   // index into the scene table; -1: by time
  int32_t ms = 0;   // milliseconds of the timeline, when scene is -1
};

// How a run is shown; the timeline itself takes no configuration.
struct DemoSettings {
  bool notice = false;        // the photosensitivity notice before the clocks start
  bool reduceFlashes = false; // the flash limiter between each frame and what is shown or written
  bool lossyVideo = false;    // ... keeping the margin a video coded with loss needs
  bool music = true;          // false: no tune at all (a timeline built anew for a jump)
  bool keepMarks = true;      // false: no store of its own for the scene marks (one built anew borrows its viewer's)
  bool startLater = false;    // --start: the run begins at `start` instead of the first frame
  StartPoint start;
};


class DemoApp {
public:
  uint32_t* pixels = nullptr;          // display buffer locked for the current frame
  int width = 0, height = 0;           // render size: 320 x 240
  int consoleWidth = 0, consoleHeight = 0;
  int colourBits = 0;                  // 32
  int originX = 0, originY = 0;        // where the render surface lands in the console
  int step = 0;                        // state of the current scene's state machine
  // The pictures an unseen frame has emptied (drawing onto them is skipped), with their sizes.
  struct Emptied {
    Bitmap* picture = nullptr;
    int32_t width = 0, height = 0;
  };
  Emptied emptied[2];
  int emptiedCount = 0;
  SceneFn sceneFn = nullptr;           // current scene step function
  void* windowHandle = nullptr;        // the console's window, for the music player
  // The audio device and the tune got ready while the window is made and the pictures load; taken
  // by the music player's start.
  std::unique_ptr<MidasHeadStart> musicHeadStart;
  std::unique_ptr<DisplayConsole> console;
  std::unique_ptr<EngineContext> context;
  EffectScratch big;                   // the context's two large scratch pictures, lent to effects
  Bitmap* screen = nullptr;            // bitmap slot 0, aimed at the display buffer every frame
  std::unique_ptr<FramePacer> pacer;
  std::unique_ptr<MusicPlayer> music;
  std::unique_ptr<SceneTimer> timer;   // shared by all scenes
  BumpMap swirlBump;                   // made from the swirl picture at load time
  std::unique_ptr<VideoClip> clip;     // the video clip, opened at load time
  // Held by pointer, not by value: each announces itself when made, and the constructor makes
  // them after the context's pictures, in the order the demo has always printed them.
  std::unique_ptr<Camera> camera;      // every object is bound to it
  std::unique_ptr<Light> mainLight;    // lights every object
  std::unique_ptr<Light> sideLight;    // a second light, attached to one object by a late scene
  std::unique_ptr<Bitmap> work;        // 320 x 240 work bitmap
  bool quit = false;                   // set by the last scene
  zub::Failure stepFailure;            // a scene's failed operation; the frame loop stops on it

  // The viewer's controls: pause, jumps between scenes, volume.
  DemoSettings settings;               // how this run was made, for a timeline built anew
  bool paused = false;
  int volume = 100;                    // percent of the tune's own level
  bool muted = false;
  int32_t captionHideAt = -1;          // clock value at which the caption goes; -1: none shown
  std::vector<uint32_t> caption;       // its pixels, at the display's scale
  int32_t sceneStartedMs = 0;          // timeline moment of the running scene's first frame

  SceneFn frameScene = nullptr;        // scene function and step the last frame was drawn with
  int frameStep = 0;
  FrameHook frameHook = nullptr;       // see FrameHook
  void* frameHookData = nullptr;
  // With reduceFlashes: works on the console's copy of each frame, never on the demo's own pictures.
  std::unique_ptr<zub::FlashLimiter> limiter;
  std::vector<SceneMark> marks;        // one per scene, taken at its first frame on this timeline
  std::unique_ptr<MarkStore> markStore;// their pictures, packed

  // `display`: the real window, or the memory console of the offline renderer and the tests.
  explicit DemoApp(ptc::Backend display, const DemoSettings& settings = {});
  // Stops a tune still playing (torn down without shutdown); a failure to stop it is only reported.
  ~DemoApp();
  DemoApp(const DemoApp&) = delete;
  DemoApp& operator=(const DemoApp&) = delete;

  // The frame loop, from the first frame to the exit line and teardown.
  void run();
  // One pass of the frame loop; false once the loop must end.
  bool runPass();
  // On the virtual clock, for the offline renderer and the tests: passes until the pacer has issued
  // one more frame (false when the loop ended first), and the clock set to the moment frame n is due.
  bool passUntilNextFrame();
  void clockToFrame(int n);
  // Prints the exit line, stops the music and closes the display.
  void shutdown();

  // Moves the timeline to `point` exactly as the uninterrupted demo draws it there (the offline
  // renderer's frames): forward by drawing the frames between, unseen; back by building the
  // timeline anew, setting it to the latest scene start kept that is not past the point, and
  // drawing from there. The frame shown at that moment is then on screen, and the
  // tune is moved there too.
  void moveTo(StartPoint point);
  // The timeline's moment of the frame last drawn (ms after the pacer's start).
  int32_t timelineMs() const;

  // Every picture and object into its slot; the first that cannot be loaded is the result.
  zub::Failure loadAssets();
  // Keeps the first failure of a scene's operation for the frame loop: scenes never end the process.
  void reportFailure(zub::Failure failure) {
    if (failure && !stepFailure) stepFailure = std::move(failure);
  }

  // The 3D sequence: the main light's update and the cleared z-buffer, once a frame before the
  // first object; then per object, after its deformations, the transform and the render.
  void begin3D(float ax, float ay, float az);
  void draw3D(Object3D* object, float ax, float ay, float az, float tx, float ty, float tz, Bitmap* target,
              RenderMode mode);

  // Draws the frame the pacer has just issued into the console's surface; the caller shows it
  // (present) or not (unlock). `unseen`: the frame's picture is covered by the next frame before
  // anyone sees it, so the screen is left undrawn, and with `composingUnseen` the composing picture
  // too, which the next frame paints anew (see the scene table's steps).
  void drawFrame(bool unseen = false, bool composingUnseen = false);
  // Acts on the controls the window collected since the last pass; false when nothing waits.
  void takeControls();
  // Draws frames unseen, each at its due time on the virtual clock, until the next frame to draw
  // would be the first of `point` (by scene) or past it (by time), or the demo ends; a long way shows
  // its progress in `viewer`'s caption.
  void drawAhead(StartPoint point, DemoApp& viewer);
  // Takes the timeline state (pictures, objects, clip, lights, scene, step, timer, frame count and
  // the surface's pixels) of `other`, a timeline built anew; `other` gets this one's, all but the
  // surface, and is discarded.
  void takeTimeline(DemoApp& other);
  // Keeps the state at the start of `scene`'s first frame, once per timeline; puts it back into a
  // timeline built anew so that the next frame drawn is that scene's first.
  void takeMark(int scene);
  // From `markStore`; false when it did not give back what the mark kept.
  bool restoreMark(const SceneMark& mark);
  // The caption over the shown picture: scene, time and length, volume; kept while paused.
  void showCaption();
  // A caption of this text, shown at once.
  void setCaptionText(const char* text);

  // ---- scenes; the timeline table (scenes/scene_table.cpp) puts them in order ----
  void sceneLogo();
  void sceneLogoObjects();
  void sceneVideo();
  void sceneBazooka();
  void sceneDot();
  void sceneBalls();
  void sceneScape();
  void sceneGreets();
  void sceneSister();
  void sceneBumpBall();
  void sceneStatic();
  void sceneFinale();
};

// Ends the demo through zub::fatal when an operation or loader failed; the one place the demo's
// own code decides to stop on a failure.
void stopIfFailed(const zub::Failure& failure);

// The program's entry: builds the demo, runs it to the end, tears it down. Returns the exit status.
int runDemo(ptc::Backend display, FrameHook hook = nullptr, void* hookData = nullptr, const DemoSettings& settings = {});
