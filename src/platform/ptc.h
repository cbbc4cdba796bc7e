// The display console layer: the few framebuffer-console operations the demo uses (create,
// option, format, open, surface create/lock/unlock/copy, update, close, window handle), plus the
// demo window itself. Two back ends, chosen once by the program before anything is created: SDL2
// for the real window, memory for the offline renderer and the tests. Failures raise
// ptc::DynamicError.
#pragma once
#include <cstdint>
#include <string>

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
void useBackend(Backend backend);
Backend currentBackend();

struct Format {
  int bits;
  uint32_t r, g, b, a;
  Format(int bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a) : bits(bits), r(r), g(g), b(b), a(a) {}
};

struct Area {
  int left, top, right, bottom;
};

// The demo window: created and shown by the display console, pumped by the frame loop.
struct Window {
  void* handle = nullptr; // SDL_Window*, or a non-null token in the memory back end
  bool quitPosted = false;
};
// Creates and shows the window covering the desktop. Raises DynamicError when there is no display.
Window* createWindow(const char* title);
// Empties the window's event queue. True when a quit request (Escape, left click, close) was among them.
bool pumpWindow(Window* window);
// Asks the window to quit as if the user had (memory back end: how tests and tools stop the loop).
void postQuit(Window* window);
void destroyWindow(Window* window);

class Console {
public:
  Console();
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  void option(const char* text);      // accepted and ignored
  void open(void* window, int width, int height, const Format& format, int pages);
  void update();                      // the last copied frame becomes visible
  void update(const Area& area);
  void close();
  void* window() const { return windowHandle; }

  int width = 0, height = 0;
  // The frame as last copied from a surface (what update shows).
  const uint32_t* frame() const { return framePixels; }

private:
  friend class Surface;
  void* windowHandle = nullptr;
  void* renderer = nullptr;   // SDL_Renderer*
  void* texture = nullptr;    // SDL_Texture*
  uint32_t* framePixels = nullptr;
  bool opened = false;
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
