// DisplayConsole: the demo window plus the framebuffer console it presents into. Creates and
// shows the window, opens the 320 x 240 x 32 console, owns the persistent render surface, pumps
// window events and presents each frame.
#pragma once
#include <cstdint>
#include <memory>

#include "platform/ptc.h"

class DisplayConsole {
public:
  int width, height;               // render surface size
  int colourBits;                  // 32
  int originX, originY;            // where the surface lands when the console size differs
  int consoleWidth, consoleHeight; // console size
  bool stretched;                  // console size differs from the surface size
  ptc::Window* window;             // the demo window, owned by windowOwner

  // On `backend`: the real window, or memory for the offline renderer and the tests.
  DisplayConsole(ptc::Backend backend, int consoleWidth, int consoleHeight, int colourBits, int originX, int originY,
                 int width, int height);
  ~DisplayConsole();
  DisplayConsole(const DisplayConsole&) = delete;
  DisplayConsole& operator=(const DisplayConsole&) = delete;

  void* windowHandle();
  uint32_t* lock();
  void present();
  // Ends the surface's lock without showing it: a frame drawn unseen.
  void unlock();
  // The caption over the shown picture (see ptc::Console::setOverlay), and the last frame shown
  // again with it.
  void setCaption(const uint32_t* pixels, int w, int h) { console->setOverlay(pixels, w, h); }
  int displayScale() const { return console->displayScale(); }
  void reshow();
  bool pumpMessages();
  // Sleeps until a window event arrives or `ms` milliseconds have passed.
  void waitMessages(int ms);
  void close();

  // Puts a filter between each presented frame and the screen (see ptc::Console::setFilter).
  void setFilter(ptc::Console::Filter filter, void* data) { console->setFilter(filter, data); }
  // Shows a picture of the console's size at once, for screens shown before the demo runs.
  void showPicture(const uint32_t* pixels) { console->show(pixels); }

  // The last presented frame (consoleWidth x consoleHeight words).
  const uint32_t* presentedFrame() const { return console->frame(); }

private:
  struct WindowCloser {
    void operator()(ptc::Window* w) const { ptc::destroyWindow(w); }
  };
  // First of the owners, so the window goes last, and also when the console cannot open on it.
  std::unique_ptr<ptc::Window, WindowCloser> windowOwner;
  std::unique_ptr<ptc::Console> console;
  std::unique_ptr<ptc::Format> format;
  std::unique_ptr<ptc::Surface> surface;
};
