// The display console layer: the few framebuffer-console operations the demo uses (create,
// option, format, open, surface create/lock/unlock/copy, update, close, window handle), plus the
// demo window itself. Two back ends, chosen by whoever creates the window (the console follows
// its window): SDL2 for the real window, memory for the offline renderer and the tests. Failures
// raise ptc::DynamicError.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/frame_scaler.h"

namespace ptc {

// The error type of the layer; carries a message a user can act on.
class DynamicError {
public:
  explicit DynamicError(std::string text) : text(std::move(text)) {}
  const char* message() const { return text.c_str(); }

private:
  std::string text;
};

enum class Backend { Sdl, Memory };

struct Format {
  int bits;
  uint32_t r, g, b, a;
  Format(int bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a) : bits(bits), r(r), g(g), b(b), a(a) {}
};

struct Area {
  int left, top, right, bottom;
};

// The viewer's controls besides ending the demo and switching fullscreen: Space, Right, Left, Up,
// Down and M.
enum class Control : uint8_t { Pause, Next, Previous, VolumeUp, VolumeDown, Mute };

// The demo window: created and shown by the display console, pumped by the frame loop.
struct Window {
  Backend backend = Backend::Sdl;
  void* handle = nullptr; // SDL_Window*, or a non-null token in the memory back end
  // The display has no accelerated drawing: the frame goes straight into the window's pixels, and
  // the window was made without what a renderer would need.
  bool framebufferOnly = false;
  // No window manager runs, so nobody would honour a fullscreen request: fullscreen is a borderless
  // window laid over the whole display by the program itself.
  bool ownFullscreen = false;
  bool fullscreen = false; // as shown now, in either way
  bool quitPosted = false;
  static constexpr int controlRoom = 16; // a burst beyond this between two frames is dropped
  Control controls[controlRoom];         // pressed since the frame loop last took them, oldest first
  int controlCount = 0;
};
// How the SDL back end shows the frame; set by the program before the window is created.
struct Presentation {
  bool fullscreen = true;    // desktop fullscreen, cursor hidden; else a decorated resizable window
  int windowWidth = 0;       // client area of the window; 0: a whole multiple of 320 x 240 that fits
  int windowHeight = 0;
  bool integerScale = false; // scale by whole factors only
};
void setPresentation(const Presentation& presentation);

// Creates and shows the window on `backend` (fullscreen or not, as the presentation says). Raises
// DynamicError when there is no display.
Window* createWindow(const char* title, Backend backend);
// Empties the window's event queue. True when a quit request (Escape, left click, close) was among
// them. Alt+Enter and F11 switch between fullscreen and window.
bool pumpWindow(Window* window);
// What a screen that waits for the viewer is told by one look at the events.
enum class Prompt { None, Go, Quit };
// Empties the window's event queue like pumpWindow, for a screen shown before the demo runs: Quit
// for Escape or closing the window, Go for any other key (modifier keys alone aside) or a mouse
// button; Alt+Enter and F11 still switch fullscreen.
Prompt pumpPrompt(Window* window);
// Sleeps until an event arrives for the window or `ms` milliseconds have passed (memory back end:
// returns at once).
void waitWindow(Window* window, int ms);
// Asks the window to quit as if the user had (memory back end: how tests and tools stop the loop).
void postQuit(Window* window);
// Queues a control as if its key had been pressed; pumpWindow does so for the keys themselves.
void postControl(Window* window, Control control);
// Takes the oldest control pressed and not yet taken; false when there is none.
bool takeControl(Window* window, Control& control);
void destroyWindow(Window* window);

class Console {
public:
  Console();
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  void option(const char* text);      // accepted and ignored
  // Opens on the window's back end.
  void open(const Window* window, int width, int height, const Format& format, int pages);
  void update();                      // the last copied frame becomes visible
  void update(const Area& area);
  // Shows `pixels` (width x height) at once, without a surface: for screens before the demo runs.
  void show(const uint32_t* pixels);
  void close();

  // Applied to the console's copy of every frame a surface copies in, before it is shown; the
  // surface itself is left as it is.
  using Filter = void (*)(uint32_t* pixels, int width, int height, void* data);
  void setFilter(Filter filter, void* data);
  void* window() const { return windowHandle; }

  // A caption over the shown picture, drawn at the display's own resolution and never into the
  // frame: `pixels` (w x h words 0xAARRGGBB, alpha 0 clear, 255 opaque) is copied and shows from the
  // next update on, at the picture's lower left corner; null hides it. Only a window shows it.
  void setOverlay(const uint32_t* pixels, int w, int h);
  // Display pixels per frame pixel, in whole steps and at least 1: the scale that keeps text sharp.
  int displayScale() const;

  int width = 0, height = 0;
  // The frame as last copied from a surface (what update shows).
  const uint32_t* frame() const { return framePixels; }

private:
  friend class Surface;
  void openDisplay();                   // the back end's part of open (not called for memory)
  void upload(const uint32_t* pixels);  // hands a copied frame to the display, where it keeps one
  void drawOverlay();                   // the caption, with the renderer
  Backend backend = Backend::Sdl;
  void* windowHandle = nullptr;
  bool framebufferOnly = false; // the window's, see Window
  void* renderer = nullptr;   // SDL_Renderer*, when the display has an accelerated one
  void* texture = nullptr;    // SDL_Texture*
  // Without an accelerated renderer the frame is scaled by our own code into the window's pixels,
  // which costs a fraction of what a software renderer takes for the same picture.
  std::unique_ptr<FrameScaler> scaler;
  void* scaledSurface = nullptr; // the SDL_Surface* the scaler last laid out for
  void* stagingSurface = nullptr; // SDL_Surface*, 32-bit, for a window of another depth
  uint32_t* framePixels = nullptr;
  bool opened = false;
  Filter filter = nullptr;
  void* filterData = nullptr;
  std::unique_ptr<uint32_t[]> overlay; // the caption; grown when a larger one comes, else reused
  int overlayCapacity = 0;
  int overlayWidth = 0, overlayHeight = 0; // 0: none shown
  bool overlayChanged = false;             // the texture must take it again
  void* overlayTexture = nullptr;          // SDL_Texture*, with the renderer
  int overlayTextureWidth = 0, overlayTextureHeight = 0;
};

// An off-screen surface whose pixels persist between frames; rows are exactly width pixels apart.
class Surface {
public:
  Surface(int width, int height, const Format& format);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  void* lock();
  void unlock();
  void copy(Console& console);
  void copy(Console& console, const Area& source, const Area& destination);

  int width, height;

private:
  uint32_t* pixels;
  bool locked = false;
};

} // namespace ptc
