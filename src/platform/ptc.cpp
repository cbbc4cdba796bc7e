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

void setFullscreen(Window* window, bool on) {
  SDL_Window* w = (SDL_Window*)window->handle;
  if (window->ownFullscreen) {
    SDL_DisplayMode desktop;
    SDL_Rect bounds;
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0 || SDL_GetDisplayBounds(0, &bounds) != 0) return;
    SDL_SetWindowBordered(w, on ? SDL_FALSE : SDL_TRUE);
    if (on) {
      SDL_SetWindowSize(w, bounds.w, bounds.h);
      SDL_SetWindowPosition(w, bounds.x, bounds.y);
    } else {
      int ww, wh;
      windowSize(desktop, ww, wh);
      SDL_SetWindowSize(w, ww, wh);
      SDL_SetWindowPosition(w, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    SDL_RaiseWindow(w);
  } else if (SDL_SetWindowFullscreen(w, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
    return;
  }
  window->fullscreen = on;
  SDL_ShowCursor(on ? SDL_DISABLE : SDL_ENABLE);
}

bool isToggleKey(const SDL_Event& e) {
  if (e.type != SDL_KEYDOWN || e.key.repeat) return false;
  SDL_Keycode key = e.key.keysym.sym;
  return key == SDLK_F11 || ((key == SDLK_RETURN || key == SDLK_KP_ENTER) && (e.key.keysym.mod & KMOD_ALT));
}

// The key of a viewer's control. Held down, only the volume keys repeat.
bool controlOfKey(SDL_Keycode key, bool repeat, Control& control) {
  switch (key) {
  case SDLK_UP: control = Control::VolumeUp; return true;
  case SDLK_DOWN: control = Control::VolumeDown; return true;
  default: break;
  }
  if (repeat) return false;
  switch (key) {
  case SDLK_SPACE: control = Control::Pause; return true;
  case SDLK_RIGHT: control = Control::Next; return true;
  case SDLK_LEFT: control = Control::Previous; return true;
  case SDLK_m: control = Control::Mute; return true;
  default: return false;
  }
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

// What the X server offers, asked on a connection of our own before the window is made.
struct X11Facts {
  // No direct rendering (no DRI2 or DRI3, no NVIDIA GLX): OpenGL there could only draw with the
  // processor, as on a virtual X server. The window is then made once, without OpenGL: loading the
  // GL stack alone takes longer than the first frame may, and holds tens of megabytes.
  bool withoutDirectRendering = false;
  // A window manager that follows the desktop conventions (it names itself on the root window).
  // Without one a fullscreen request is left unanswered: SDL waits 100 ms for it, and the window
  // stays at its first size while SDL draws as if it covered the display.
  bool windowManager = true;
};

X11Facts askX11() {
  X11Facts facts;
#ifndef _WIN32
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || strcmp(driver, "x11") != 0) return facts;
  // libX11 is loaded already by SDL's own X11 driver.
  void* xlib = SDL_LoadObject("libX11.so.6");
  if (!xlib) return facts;
  using XWindow = unsigned long;
  using ErrorHandler = int (*)(void*, void*);
  using OpenDisplay = void* (*)(const char*);
  using QueryExtension = int (*)(void*, const char*, int*, int*, int*);
  using InternAtom = unsigned long (*)(void*, const char*, int);
  using DefaultRootWindow = XWindow (*)(void*);
  using GetWindowProperty = int (*)(void*, XWindow, unsigned long, long, long, int, unsigned long, unsigned long*,
                                    int*, unsigned long*, unsigned long*, unsigned char**);
  using Free = int (*)(void*);
  using Sync = int (*)(void*, int);
  using SetErrorHandler = ErrorHandler (*)(ErrorHandler);
  using CloseDisplay = int (*)(void*);
  auto openDisplay = (OpenDisplay)SDL_LoadFunction(xlib, "XOpenDisplay");
  auto queryExtension = (QueryExtension)SDL_LoadFunction(xlib, "XQueryExtension");
  auto internAtom = (InternAtom)SDL_LoadFunction(xlib, "XInternAtom");
  auto defaultRootWindow = (DefaultRootWindow)SDL_LoadFunction(xlib, "XDefaultRootWindow");
  auto getWindowProperty = (GetWindowProperty)SDL_LoadFunction(xlib, "XGetWindowProperty");
  auto xFree = (Free)SDL_LoadFunction(xlib, "XFree");
  auto sync = (Sync)SDL_LoadFunction(xlib, "XSync");
  auto setErrorHandler = (SetErrorHandler)SDL_LoadFunction(xlib, "XSetErrorHandler");
  auto closeDisplay = (CloseDisplay)SDL_LoadFunction(xlib, "XCloseDisplay");
  if (openDisplay && queryExtension && closeDisplay) {
    if (void* display = openDisplay(nullptr)) {
      facts.withoutDirectRendering = true;
      for (const char* direct : {"DRI3", "DRI2", "NV-GLX"}) {
        int opcode, event, error;
        if (queryExtension(display, direct, &opcode, &event, &error)) facts.withoutDirectRendering = false;
      }
      if (internAtom && defaultRootWindow && getWindowProperty && xFree && sync && setErrorHandler) {
        // The manager names a window of its own on the root window, and that window names itself
        // again: a name left behind by a manager that has gone points to no window, an error
        // that is caught here rather than ending the program.
        const unsigned long check = internAtom(display, "_NET_SUPPORTING_WM_CHECK", 0);
        const unsigned long xaWindow = 33;
        auto named = [&](XWindow on) -> XWindow {
          unsigned long type, items, after;
          int format;
          unsigned char* data = nullptr;
          XWindow result = 0;
          if (getWindowProperty(display, on, check, 0, 1, 0, xaWindow, &type, &format, &items, &after, &data) == 0 &&
              data && items == 1 && format == 32)
            result = *(XWindow*)data;
          if (data) xFree(data);
          return result;
        };
        sync(display, 0);
        ErrorHandler previous = setErrorHandler([](void*, void*) { return 0; });
        XWindow manager = named(defaultRootWindow(display));
        facts.windowManager = manager != 0 && named(manager) == manager;
        sync(display, 0);
        setErrorHandler(previous);
      }
      closeDisplay(display);
    }
  }
  SDL_UnloadObject(xlib);
#endif
  return facts;
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
  // A render driver asked for by name is obeyed.
  const char* renderDriver = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
  const X11Facts x11 = askX11();
  window->framebufferOnly = !(renderDriver && *renderDriver) && x11.withoutDirectRendering;
  // The window's own pixels (shared memory with the X server), not a GL texture standing in for them.
  if (window->framebufferOnly) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  window->ownFullscreen = !x11.windowManager;
  window->fullscreen = presentation.fullscreen;
  Uint32 flags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE | (window->framebufferOnly ? 0 : rendererWindowFlags());
  int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
  SDL_Rect bounds;
  if (presentation.fullscreen && window->ownFullscreen && SDL_GetDisplayBounds(0, &bounds) == 0) {
    flags |= SDL_WINDOW_BORDERLESS;
    x = bounds.x;
    y = bounds.y;
    w = bounds.w;
    h = bounds.h;
  } else if (presentation.fullscreen) {
    // Created at its windowed size, so that leaving fullscreen gives a window that fits the desktop.
    window->ownFullscreen = false;
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  }
  SDL_Window* sdlWindow = SDL_CreateWindow(title, x, y, w, h, flags);
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
      setFullscreen(window, !window->fullscreen);
    } else if (event.type == SDL_KEYDOWN && !(event.key.keysym.mod & (KMOD_ALT | KMOD_CTRL | KMOD_GUI))) {
      Control control;
      if (controlOfKey(event.key.keysym.sym, event.key.repeat != 0, control)) postControl(window, control);
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
      setFullscreen(window, !window->fullscreen);
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
  if (framebufferOnly) {
    scaler = std::make_unique<FrameScaler>();
    return;
  }
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
    if (SDL_GetWindowSurface(sdlWindow)) {
      scaler = std::make_unique<FrameScaler>();
      return;
    }
    // A window system that keeps no pixels for its windows (Wayland) gives none: the renderer
    // it is, software or not.
    r = SDL_CreateRenderer(sdlWindow, -1, SDL_RENDERER_PRESENTVSYNC);
    if (!r) r = SDL_CreateRenderer(sdlWindow, -1, 0);
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

namespace {

// Blends the caption over the window's pixels at (x, y), inside the picture.
void blendOverlay(const uint32_t* overlay, int w, int h, uint32_t* target, int pitch, int x, int y) {
  for (int row = 0; row < h; ++row) {
    uint32_t* out = (uint32_t*)((uint8_t*)target + (size_t)(y + row) * pitch) + x;
    const uint32_t* in = overlay + (size_t)row * w;
    for (int col = 0; col < w; ++col) {
      const uint32_t a = in[col] >> 24;
      if (a == 0) continue;
      uint32_t result = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t over = in[col] >> shift & 0xFF, under = out[col] >> shift & 0xFF;
        result |= ((over * a + under * (255 - a) + 127) / 255) << shift;
      }
      out[col] = result;
    }
  }
}

} // namespace

int Console::displayScale() const {
  int scale = 1;
  if (backend == Backend::Sdl && scaler && scaler->width > 0) {
    scale = scaler->width / width;
  } else if (backend == Backend::Sdl && renderer) {
    int w = 0, h = 0;
    if (SDL_GetRendererOutputSize((SDL_Renderer*)renderer, &w, &h) == 0) scale = std::min(w / width, h / height);
  }
  return std::max(1, scale);
}

void Console::update() {
  if (!opened) throw DynamicError("console update: console is not open");
  if (backend == Backend::Sdl && scaler) {
    SDL_Window* sdlWindow = (SDL_Window*)windowHandle;
    SDL_Surface* shown = SDL_GetWindowSurface(sdlWindow); // made anew by SDL after a resize
    if (!shown)
      throw DynamicError(sdlError("cannot draw into the window (displays of 15, 16, 24 and 32 bits per pixel are supported)"));
    // The scaler writes 32-bit pixels. A window of another depth (an X display of 16, 8 or 30 bits)
    // takes them through a picture of its size, converted by SDL as it is copied in.
    SDL_Surface* target = shown;
    const Uint32 format = shown->format->format;
    if (format != SDL_PIXELFORMAT_RGB888 && format != SDL_PIXELFORMAT_ARGB8888) {
      SDL_Surface* staging = (SDL_Surface*)stagingSurface;
      if (!staging || staging->w != shown->w || staging->h != shown->h) {
        SDL_FreeSurface(staging);
        staging = SDL_CreateRGBSurfaceWithFormat(0, shown->w, shown->h, 32, SDL_PIXELFORMAT_RGB888);
        stagingSurface = staging;
        if (!staging) throw DynamicError(sdlError("console update: no picture to convert the frame in"));
      }
      target = staging;
    }
    if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
    bool laidOut = shown == scaledSurface && target->w == scaler->targetWidth && target->h == scaler->targetHeight;
    if (!laidOut) {
      scaler->layout(width, height, target->w, target->h, presentation.integerScale);
      scaler->clearBars((uint32_t*)target->pixels, target->pitch);
      scaledSurface = shown;
    }
    scaler->scale(framePixels, (uint32_t*)target->pixels, target->pitch);
    const int margin = displayScale() * 4;
    if (overlayWidth > 0 && overlayWidth + 2 * margin <= scaler->width && overlayHeight + 2 * margin <= scaler->height)
      blendOverlay(overlay.get(), overlayWidth, overlayHeight, (uint32_t*)target->pixels, target->pitch,
                   scaler->left + margin, scaler->top + scaler->height - overlayHeight - margin);
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    SDL_Rect picture{scaler->left, scaler->top, scaler->width, scaler->height};
    if (target != shown) {
      SDL_Rect from = picture, to = picture;
      if (!laidOut) from = to = SDL_Rect{0, 0, shown->w, shown->h};
      if (SDL_BlitSurface(target, &from, shown, &to) != 0) throw DynamicError(sdlError("console update: cannot convert the frame"));
    }
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
    if (overlayWidth > 0) drawOverlay();
    SDL_RenderPresent(r);
  }
}

// The caption at the output's own pixels: the logical 320 x 240 size is set aside while it is drawn.
void Console::drawOverlay() {
  SDL_Renderer* r = (SDL_Renderer*)renderer;
  if (!overlayTexture || overlayTextureWidth < overlayWidth || overlayTextureHeight < overlayHeight) {
    if (overlayTexture) SDL_DestroyTexture((SDL_Texture*)overlayTexture);
    overlayTexture = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, overlayWidth, overlayHeight);
    if (!overlayTexture) return; // no caption rather than no demo
    SDL_SetTextureBlendMode((SDL_Texture*)overlayTexture, SDL_BLENDMODE_BLEND);
    overlayTextureWidth = overlayWidth;
    overlayTextureHeight = overlayHeight;
    overlayChanged = true;
  }
  SDL_Rect area{0, 0, overlayWidth, overlayHeight};
  if (overlayChanged) SDL_UpdateTexture((SDL_Texture*)overlayTexture, &area, overlay.get(), overlayWidth * 4);
  overlayChanged = false;
  int outW = 0, outH = 0;
  if (SDL_GetRendererOutputSize(r, &outW, &outH) != 0) return;
  const int scale = displayScale(), margin = scale * 4;
  // Where the renderer's logical size puts the picture: whole steps, or the largest 4:3 that fits.
  const int pictureW = presentation.integerScale ? width * scale : std::min(outW, outH * width / height);
  const int pictureH = pictureW * height / width;
  const int left = (outW - pictureW) / 2, top = (outH - pictureH) / 2;
  if (overlayWidth + 2 * margin > pictureW || overlayHeight + 2 * margin > pictureH) return;
  SDL_Rect place{left + margin, top + pictureH - overlayHeight - margin, overlayWidth, overlayHeight};
  SDL_RenderSetLogicalSize(r, 0, 0);
  SDL_RenderCopy(r, (SDL_Texture*)overlayTexture, &area, &place);
  SDL_RenderSetLogicalSize(r, width, height);
  if (presentation.integerScale) SDL_RenderSetIntegerScale(r, SDL_TRUE);
}

void Console::close() {
  if (!opened) return;
  if (overlayTexture) SDL_DestroyTexture((SDL_Texture*)overlayTexture);
  overlayTexture = nullptr;
  if (texture) SDL_DestroyTexture((SDL_Texture*)texture);
  if (renderer) SDL_DestroyRenderer((SDL_Renderer*)renderer);
  texture = renderer = nullptr;
  scaler.reset();
  scaledSurface = nullptr;
  SDL_FreeSurface((SDL_Surface*)stagingSurface);
  stagingSurface = nullptr;
  delete[] framePixels;
  framePixels = nullptr;
  opened = false;
}

void Console::upload(const uint32_t* pixels) {
  if (backend == Backend::Sdl && texture) SDL_UpdateTexture((SDL_Texture*)texture, nullptr, pixels, width * 4);
}

} // namespace ptc
