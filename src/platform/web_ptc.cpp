// The display console layer in a web browser: the same operations as the desktop back end, with
// a 2D canvas for the window. The page (web/web_platform.js) letterboxes the canvas, turns Escape
// and a left click on the picture into a quit request, and shows each updated frame. The memory
// back end is unchanged, so the page's test hook hashes exactly what the offline renderer does.
#include "platform/ptc.h"

#include <cstring>
#include <new>

extern "C" {
// web/web_platform.js
void zub_canvas_open(int width, int height);
void zub_canvas_show(const uint8_t* rgba, int width, int height);
int zub_canvas_take_quit();
int zub_canvas_take_control();
}

namespace ptc {

namespace {
char memoryWindowToken;
char canvasToken;
} // namespace

Window* createWindow(const char*, Backend backend) {
  Window* window = new Window;
  window->backend = backend;
  window->handle = backend == Backend::Memory ? (void*)&memoryWindowToken : (void*)&canvasToken;
  return window;
}

bool pumpWindow(Window* window) {
  bool quit = window->quitPosted;
  window->quitPosted = false;
  if (window->backend == Backend::Sdl) {
    if (zub_canvas_take_quit()) quit = true;
    for (int control; (control = zub_canvas_take_control()) >= 0;) postControl(window, (Control)control);
  }
  return quit;
}

// The page's start screen is the notice in a browser; nothing waits here.
Prompt pumpPrompt(Window* window) { return pumpWindow(window) ? Prompt::Quit : Prompt::None; }

// The browser calls the page back once per display refresh; the page never sleeps, so there is
// nothing to wait for here.
void waitWindow(Window*, int) {}

void destroyWindow(Window* window) { delete window; }

void Console::openDisplay() {
  // The canvas wants bytes R, G, B, A; the frame is 0x00RRGGBB words. Converted once per update
  // into this buffer, made here so that nothing is allocated per frame.
  texture = new (std::nothrow) uint32_t[(size_t)width * height];
  if (!texture) throw DynamicError("console open: out of memory");
  zub_canvas_open(width, height);
  renderer = &canvasToken; // frames go to the page's canvas
}

void Console::update() {
  if (!opened) throw DynamicError("console update: console is not open");
  if (!renderer) return;
  uint32_t* rgba = (uint32_t*)texture;
  const size_t count = (size_t)width * height;
  // Little-endian words: 0xAABBGGRR lays the bytes out as R, G, B, A; the top byte is never shown.
  for (size_t i = 0; i < count; ++i) {
    uint32_t p = framePixels[i];
    rgba[i] = 0xFF000000u | (p & 0x00FF00u) | (p >> 16 & 0xFFu) | (p & 0xFFu) << 16;
  }
  zub_canvas_show((const uint8_t*)rgba, width, height);
}

void Console::close() {
  if (!opened) return;
  delete[] (uint32_t*)texture;
  texture = renderer = nullptr;
  delete[] framePixels;
  framePixels = nullptr;
  opened = false;
}

// The page shows no caption over its canvas: its control bar shows the moment, pause and volume.
int Console::displayScale() const { return 1; }
void Console::drawOverlay() {}

// The page takes the frame from framePixels when the console is updated.
void Console::upload(const uint32_t*) {}

} // namespace ptc
