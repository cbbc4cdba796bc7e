#include "platform/ptc.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <SDL.h>

namespace ptc {

namespace {

char memoryWindowToken;
Presentation presentation;
bool exposed = false; // the window system lost the window's pixels: send the whole window again
const char* const noDisplay = "no display available: set DISPLAY or WAYLAND_DISPLAY to show the demo window";

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

// Picks the video driver by name: X11 when DISPLAY is set, Wayland when only WAYLAND_DISPLAY is,
// so SDL neither probes drivers that print warnings of their own nor falls back to its offscreen
// driver and runs the demo invisibly. SDL_VIDEODRIVER, when set, is obeyed as it stands.
// Windows has one desktop driver, always there.
void chooseVideoDriver() {
#ifndef _WIN32
  const char* requested = getenv("SDL_VIDEODRIVER");
  if (requested && *requested) return;
  const char* x11 = getenv("DISPLAY");
  const char* wayland = getenv("WAYLAND_DISPLAY");
  if (x11 && *x11) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  else if (wayland && *wayland) SDL_SetHint(SDL_HINT_VIDEODRIVER, "wayland");
  else throw DynamicError(noDisplay);
#endif
}

// The windowed size: the asked one, or the largest whole multiple of 320 x 240 within 80% of the desktop.
void windowSize(const SDL_DisplayMode& desktop, int& w, int& h) {
  if (presentation.windowWidth > 0) {
    w = presentation.windowWidth;
    h = presentation.windowHeight;
    // A size larger than the desktop is scaled down to fit it, its shape kept: a window placed
    // partly off the screen shows only part of the picture.
    SDL_Rect usable{0, 0, desktop.w, desktop.h}; // less the panels, where the desktop says
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0 || usable.w <= 0 || usable.h <= 0) usable = {0, 0, desktop.w, desktop.h};
    if (usable.w > 0 && usable.h > 0 && (w > usable.w || h > usable.h)) {
      double k = std::min((double)usable.w / w, (double)usable.h / h);
      w = std::max(1, (int)(w * k));
      h = std::max(1, (int)(h * k));
    }
    return;
  }
  int k = 1;
  while ((k + 1) * 320 * 5 <= desktop.w * 4 && (k + 1) * 240 * 5 <= desktop.h * 4) ++k;
  w = 320 * k;
  h = 240 * k;
}

void setFullscreen(SDL_Window* window, bool on) {
  if (SDL_SetWindowFullscreen(window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) return;
  SDL_ShowCursor(on ? SDL_DISABLE : SDL_ENABLE);
}

bool isToggleKey(const SDL_Event& e) {
  if (e.type != SDL_KEYDOWN || e.key.repeat) return false;
  SDL_Keycode key = e.key.keysym.sym;
  return key == SDLK_F11 || ((key == SDLK_RETURN || key == SDLK_KP_ENTER) && (e.key.keysym.mod & KMOD_ALT));
}

// True for a renderer that draws with the processor: SDL's software renderer, or OpenGL on a
// software rasterizer (a display without a GPU, such as a virtual X server).
bool softwareRenderer(SDL_Renderer* renderer) {
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(renderer, &info) != 0) return true;
  if (info.flags & SDL_RENDERER_SOFTWARE) return true;
  if (strncmp(info.name, "opengl", 6) != 0) return false;
  using GetString = const unsigned char* (*)(unsigned);
  GetString getString = (GetString)SDL_GL_GetProcAddress("glGetString");
  const char* name = getString ? (const char*)getString(0x1F01 /* GL_RENDERER */) : nullptr;
  return name && (strstr(name, "llvmpipe") || strstr(name, "softpipe") || strstr(name, "Software Rasterizer") ||
                  strstr(name, "swrast"));
}

// The window flags the renderer SDL will pick needs. A window made without them is destroyed and
// made anew when the renderer is created: a flash on screen, and a dead window for anyone who
// found the first one.
Uint32 rendererWindowFlags() {
  const char* wanted = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
  for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
    SDL_RendererInfo info;
    if (SDL_GetRenderDriverInfo(i, &info) != 0) continue;
    if (wanted && *wanted && SDL_strcasecmp(wanted, info.name) != 0) continue;
    if (strncmp(info.name, "opengl", 6) == 0) return SDL_WINDOW_OPENGL;
    if (strcmp(info.name, "metal") == 0) return SDL_WINDOW_METAL;
    return 0;
  }
  return 0;
}

} // namespace

void setPresentation(const Presentation& p) { presentation = p; }

Window* createWindow(const char* title, Backend backend) {
  // Owned here until it is handed out, so every failure below frees it by throwing.
  auto window = std::make_unique<Window>();
  window->backend = backend;
  if (window->backend == Backend::Memory) {
    window->handle = &memoryWindowToken;
    return window.release();
  }
  chooseVideoDriver();
  // The offscreen and dummy drivers show nothing; they are used only when asked for by name.
  const char* requested = getenv("SDL_VIDEODRIVER");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) throw DynamicError(std::string(noDisplay) + " (" + SDL_GetError() + ")");
  const char* driver = SDL_GetCurrentVideoDriver();
  bool headless = driver && (strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0);
  if (headless && !(requested && strcmp(requested, driver) == 0)) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    throw DynamicError(noDisplay);
  }
  SDL_DisplayMode desktop;
  if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) {
    desktop.w = 640;
    desktop.h = 480;
  }
  int w, h;
  windowSize(desktop, w, h);
  // Created at its windowed size, so that leaving fullscreen gives a window that fits the desktop.
  Uint32 flags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE | (presentation.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) |
                 rendererWindowFlags();
  SDL_Window* sdlWindow = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h, flags);
  if (!sdlWindow) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    throw DynamicError("could not create window");
  }
  SDL_ShowCursor(presentation.fullscreen ? SDL_DISABLE : SDL_ENABLE);
  window->handle = sdlWindow;
  return window.release();
}

bool pumpWindow(Window* window) {
  if (window->backend == Backend::Memory) {
    bool quit = window->quitPosted;
    window->quitPosted = false;
    return quit;
  }
  bool quit = false;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (isQuitEvent(event)) quit = true;
    else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED) exposed = true;
    else if (isToggleKey(event)) {
      SDL_Window* w = (SDL_Window*)window->handle;
      setFullscreen(w, !(SDL_GetWindowFlags(w) & SDL_WINDOW_FULLSCREEN));
    }
  }
  return quit;
}

namespace {
bool modifierKey(SDL_Keycode key) {
  switch (key) {
  case SDLK_LSHIFT: case SDLK_RSHIFT: case SDLK_LCTRL: case SDLK_RCTRL: case SDLK_LALT: case SDLK_RALT:
  case SDLK_LGUI: case SDLK_RGUI: case SDLK_CAPSLOCK: case SDLK_NUMLOCKCLEAR: case SDLK_MODE:
    return true;
  default:
    return false;
  }
}
} // namespace

Prompt pumpPrompt(Window* window) {
  if (window->backend == Backend::Memory) {
    bool quit = window->quitPosted;
    window->quitPosted = false;
    return quit ? Prompt::Quit : Prompt::None;
  }
  Prompt result = Prompt::None;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    bool closed = event.type == SDL_QUIT ||
                  (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) ||
                  (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE);
    if (closed) {
      result = Prompt::Quit;
    } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED) {
      exposed = true;
    } else if (isToggleKey(event)) {
      SDL_Window* w = (SDL_Window*)window->handle;
      setFullscreen(w, !(SDL_GetWindowFlags(w) & SDL_WINDOW_FULLSCREEN));
    } else if (result == Prompt::None &&
               ((event.type == SDL_KEYDOWN && !event.key.repeat && !modifierKey(event.key.keysym.sym)) ||
                event.type == SDL_MOUSEBUTTONDOWN)) {
      result = Prompt::Go;
    }
  }
  return result;
}

void waitWindow(Window* window, int ms) {
  if (window->backend == Backend::Memory || ms <= 0) return;
  // Leaves the event in the queue for the next pump.
  SDL_WaitEventTimeout(nullptr, ms);
}

void destroyWindow(Window* window) {
  if (!window) return;
  if (window->backend == Backend::Sdl && window->handle) {
    SDL_DestroyWindow((SDL_Window*)window->handle);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  delete window;
}

void Console::openDisplay() {
  SDL_Window* sdlWindow = (SDL_Window*)windowHandle;
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
  // Vsync where the driver offers it; a renderer without it is still better than none.
  SDL_Renderer* r = SDL_CreateRenderer(sdlWindow, -1, SDL_RENDERER_PRESENTVSYNC);
  if (!r) r = SDL_CreateRenderer(sdlWindow, -1, 0);
  Uint32 windowFormat = SDL_GetWindowPixelFormat(sdlWindow);
  bool xrgbWindow = windowFormat == SDL_PIXELFORMAT_RGB888 || windowFormat == SDL_PIXELFORMAT_ARGB8888;
  if ((!r || softwareRenderer(r)) && xrgbWindow) {
    if (r) SDL_DestroyRenderer(r);
    // The window's own pixels (shared memory with the X server), not a GL texture standing in for them.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    scaler = std::make_unique<FrameScaler>();
    return;
  }
  if (!r) throw DynamicError(sdlError("could not create renderer"));
  // Logical size keeps 4:3 with black bars at any window size.
  SDL_RenderSetLogicalSize(r, width, height);
  if (presentation.integerScale) SDL_RenderSetIntegerScale(r, SDL_TRUE);
  SDL_Texture* t = SDL_CreateTexture(r, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
  if (!t) {
    SDL_DestroyRenderer(r);
    throw DynamicError(sdlError("could not create texture"));
  }
  renderer = r;
  texture = t;
}

void Console::update() {
  if (!opened) throw DynamicError("console update: console is not open");
  if (backend == Backend::Sdl && scaler) {
    SDL_Window* sdlWindow = (SDL_Window*)windowHandle;
    SDL_Surface* target = SDL_GetWindowSurface(sdlWindow); // made anew by SDL after a resize
    if (!target) throw DynamicError(sdlError("console update: no window surface"));
    if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
    bool laidOut = target == scaledSurface && target->w == scaler->targetWidth && target->h == scaler->targetHeight;
    if (!laidOut) {
      scaler->layout(width, height, target->w, target->h, presentation.integerScale);
      scaler->clearBars((uint32_t*)target->pixels, target->pitch);
      scaledSurface = target;
    }
    scaler->scale(framePixels, (uint32_t*)target->pixels, target->pitch);
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    SDL_Rect picture{scaler->left, scaler->top, scaler->width, scaler->height};
    if (laidOut && !exposed) SDL_UpdateWindowSurfaceRects(sdlWindow, &picture, 1);
    else SDL_UpdateWindowSurface(sdlWindow);
    exposed = false;
    return;
  }
  if (backend == Backend::Sdl) {
    SDL_Renderer* r = (SDL_Renderer*)renderer;
    SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
    SDL_RenderClear(r);
    SDL_RenderCopy(r, (SDL_Texture*)texture, nullptr, nullptr);
    SDL_RenderPresent(r);
  }
}

void Console::close() {
  if (!opened) return;
  if (texture) SDL_DestroyTexture((SDL_Texture*)texture);
  if (renderer) SDL_DestroyRenderer((SDL_Renderer*)renderer);
  texture = renderer = nullptr;
  scaler.reset();
  scaledSurface = nullptr;
  delete[] framePixels;
  framePixels = nullptr;
  opened = false;
}

void Console::upload(const uint32_t* pixels) {
  if (backend == Backend::Sdl && texture) SDL_UpdateTexture((SDL_Texture*)texture, nullptr, pixels, width * 4);
}

} // namespace ptc
