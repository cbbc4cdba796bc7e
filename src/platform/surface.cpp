// What the console layer does the same on every back end: the console's own copy of the frame,
// the off-screen surface, quit requests. Only making the display ready (Console::openDisplay),
// showing a frame and handing it over (Console::upload) differ.
#include <cstring>
#include <new>

#include "platform/ptc.h"

namespace ptc {

void postQuit(Window* window) { window->quitPosted = true; }

void postControl(Window* window, Control control) {
  if (window->controlCount < Window::controlRoom) window->controls[window->controlCount++] = control;
}

bool takeControl(Window* window, Control& control) {
  if (window->controlCount == 0) return false;
  control = window->controls[0];
  --window->controlCount;
  for (int i = 0; i < window->controlCount; ++i) window->controls[i] = window->controls[i + 1];
  return true;
}

Console::Console() {}

Console::~Console() { close(); }

void Console::option(const char*) {}

void Console::open(const Window* window, int w, int h, const Format& format, int) {
  if (format.bits != 32) throw DynamicError("only 32-bit pixel formats are supported");
  if (!window || !window->handle) throw DynamicError("console open: no window");
  width = w;
  height = h;
  backend = window->backend;
  windowHandle = window->handle;
  framebufferOnly = window->framebufferOnly;
  framePixels = new (std::nothrow) uint32_t[(size_t)w * h]();
  if (!framePixels) throw DynamicError("console open: out of memory");
  if (backend == Backend::Sdl) {
    try {
      openDisplay();
    } catch (...) {
      // Not open, so close() would not release it.
      delete[] framePixels;
      framePixels = nullptr;
      throw;
    }
  }
  opened = true;
}

void Console::update(const Area&) { update(); }

void Console::show(const uint32_t* pixels) {
  if (!opened) throw DynamicError("console show: console is not open");
  memcpy(framePixels, pixels, (size_t)width * height * 4);
  upload(framePixels);
  update();
}

void Console::setOverlay(const uint32_t* pixels, int w, int h) {
  if (!pixels || w <= 0 || h <= 0) {
    overlayWidth = overlayHeight = 0;
    return;
  }
  if (w * h > overlayCapacity) {
    overlay.reset(new (std::nothrow) uint32_t[(size_t)w * h]);
    overlayCapacity = overlay ? w * h : 0;
    if (!overlay) {
      overlayWidth = overlayHeight = 0; // a caption is not worth stopping the demo for
      return;
    }
  }
  memcpy(overlay.get(), pixels, (size_t)w * h * 4);
  overlayWidth = w;
  overlayHeight = h;
  overlayChanged = true;
}

void Console::setFilter(Filter f, void* data) {
  filter = f;
  filterData = data;
}

Surface::Surface(int w, int h, const Format& format) : width(w), height(h) {
  if (format.bits != 32) throw DynamicError("only 32-bit surfaces are supported");
  // Black before the first frame draws anything.
  pixels = new (std::nothrow) uint32_t[(size_t)w * h]();
  if (!pixels) throw DynamicError("surface create: out of memory");
}

Surface::~Surface() { delete[] pixels; }

void* Surface::lock() {
  if (locked) throw DynamicError("surface lock: surface is already locked");
  locked = true;
  return pixels;
}

void Surface::unlock() {
  if (!locked) throw DynamicError("surface unlock: surface is not locked");
  locked = false;
}

void Surface::copy(Console& console) {
  if (!console.opened) throw DynamicError("surface copy: console is not open");
  if (console.width != width || console.height != height)
    throw DynamicError("surface copy: surface and console sizes differ");
  memcpy(console.framePixels, pixels, (size_t)width * height * 4);
  if (console.filter) console.filter(console.framePixels, width, height, console.filterData);
  console.upload(console.framePixels);
}

void Surface::copy(Console& console, const Area& source, const Area& destination) {
  // Only the whole-surface copy to an equal area is ever used.
  if (source.left != 0 || source.top != 0 || source.right - source.left != width ||
      source.bottom - source.top != height || destination.right - destination.left != width ||
      destination.bottom - destination.top != height)
    throw DynamicError("surface copy: scaled area copies are not supported");
  copy(console);
}

} // namespace ptc
