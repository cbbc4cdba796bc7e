#include "platform/ptc.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include <SDL.h>

namespace ptc {

namespace {

Backend backendInUse = Backend::Sdl;
char memoryWindowToken;

std::string sdlError(const char* what) { return std::string(what) + ": " + SDL_GetError(); }

bool isQuitEvent(const SDL_Event& e) {
  switch (e.type) {
  case SDL_QUIT:
    return true;
  case SDL_KEYDOWN:
    return e.key.keysym.sym == SDLK_ESCAPE; // every other key is swallowed
  case SDL_MOUSEBUTTONDOWN:
    return e.button.button == SDL_BUTTON_LEFT;
  case SDL_WINDOWEVENT:
    return e.window.event == SDL_WINDOWEVENT_CLOSE;
  default:
    return false;
  }
}

} // namespace

void useBackend(Backend backend) { backendInUse = backend; }
Backend currentBackend() { return backendInUse; }

Window* createWindow(const char* title) {
  Window* window = new Window;
  if (backendInUse == Backend::Memory) {
    window->handle = &memoryWindowToken;
    return window;
  }
  // Without a display SDL would quietly fall back to its offscreen driver and the demo would run
  // invisibly; that driver (or the dummy one) is used only when asked for by name.
  const char* requested = getenv("SDL_VIDEODRIVER");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    delete window;
    throw DynamicError("no display available (" + std::string(SDL_GetError()) + "); set DISPLAY or WAYLAND_DISPLAY");
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  bool headless = driver && (strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0);
  if (headless && !(requested && strcmp(requested, driver) == 0)) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    delete window;
    throw DynamicError("no display available: set DISPLAY or WAYLAND_DISPLAY to show the demo window");
  }
  SDL_DisplayMode desktop;
  int w = 640, h = 480;
  if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
    w = desktop.w;
    h = desktop.h;
  }
  SDL_Window* sdlWindow = SDL_CreateWindow(title, 0, 0, w, h, SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE);
  if (!sdlWindow) {
    delete window;
    throw DynamicError("could not create window");
  }
  window->handle = sdlWindow;
  return window;
}

bool pumpWindow(Window* window) {
  if (backendInUse == Backend::Memory) {
    bool quit = window->quitPosted;
    window->quitPosted = false;
    return quit;
  }
  bool quit = false;
  SDL_Event event;
  while (SDL_PollEvent(&event))
    if (isQuitEvent(event)) quit = true;
  return quit;
}

void postQuit(Window* window) { window->quitPosted = true; }

void destroyWindow(Window* window) {
  if (!window) return;
  if (backendInUse == Backend::Sdl && window->handle) {
    SDL_DestroyWindow((SDL_Window*)window->handle);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  delete window;
}

Console::Console() {}

Console::~Console() { close(); }

void Console::option(const char*) {}

void Console::open(void* window, int w, int h, const Format& format, int) {
  if (format.bits != 32) throw DynamicError("only 32-bit pixel formats are supported");
  if (!window) throw DynamicError("console open: no window");
  width = w;
  height = h;
  windowHandle = window;
  framePixels = new (std::nothrow) uint32_t[(size_t)w * h]();
  if (!framePixels) throw DynamicError("console open: out of memory");
  if (backendInUse == Backend::Sdl) {
    SDL_Window* sdlWindow = (SDL_Window*)window;
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    SDL_Renderer* r = SDL_CreateRenderer(sdlWindow, -1, 0); // no vsync: the frame loop never blocks
    if (!r) throw DynamicError(sdlError("could not create renderer"));
    // Logical size keeps 4:3 with black bars at any window size.
    SDL_RenderSetLogicalSize(r, w, h);
    SDL_Texture* t = SDL_CreateTexture(r, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, w, h);
    if (!t) {
      SDL_DestroyRenderer(r);
      throw DynamicError(sdlError("could not create texture"));
    }
    renderer = r;
    texture = t;
  }
  opened = true;
}

void Console::update() {
  if (!opened) throw DynamicError("console update: console is not open");
  if (backendInUse == Backend::Sdl) {
    SDL_Renderer* r = (SDL_Renderer*)renderer;
    SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
    SDL_RenderClear(r);
    SDL_RenderCopy(r, (SDL_Texture*)texture, nullptr, nullptr);
    SDL_RenderPresent(r);
  }
}

void Console::update(const Area&) { update(); }

void Console::close() {
  if (!opened) return;
  if (texture) SDL_DestroyTexture((SDL_Texture*)texture);
  if (renderer) SDL_DestroyRenderer((SDL_Renderer*)renderer);
  texture = renderer = nullptr;
  delete[] framePixels;
  framePixels = nullptr;
  opened = false;
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
  if (currentBackend() == Backend::Sdl)
    SDL_UpdateTexture((SDL_Texture*)console.texture, nullptr, pixels, width * 4);
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
