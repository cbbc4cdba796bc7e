#include "platform/display_console.h"

DisplayConsole::DisplayConsole(ptc::Backend backend, int consoleW, int consoleH, int bits, int oX, int oY, int w,
                               int h) {
  windowOwner.reset(ptc::createWindow("  ... ZUB demo ... ", backend));
  window = windowOwner.get();
  console = std::make_unique<ptc::Console>();
  console->option("DirectX");
  console->option("fullscreen output");
  format = std::make_unique<ptc::Format>(32, 0xFF0000, 0x00FF00, 0x0000FF, 0);
  console->open(window, consoleW, consoleH, *format, 0);
  console->option("disable key buffering");
  surface = std::make_unique<ptc::Surface>(w, h, *format);
  width = w;
  height = h;
  colourBits = bits;
  originX = oX;
  originY = oY;
  consoleWidth = consoleW;
  consoleHeight = consoleH;
  stretched = consoleWidth != width || consoleHeight != height;
}

DisplayConsole::~DisplayConsole() { close(); }

void* DisplayConsole::windowHandle() { return console->window(); }

uint32_t* DisplayConsole::lock() { return (uint32_t*)surface->lock(); }

void DisplayConsole::present() {
  surface->unlock();
  if (stretched) {
    ptc::Area area{originX, originY, originX + width, originY + height};
    surface->copy(*console, ptc::Area{0, 0, width, height}, area);
    console->update(area);
  } else {
    surface->copy(*console);
    console->update();
  }
}

void DisplayConsole::unlock() { surface->unlock(); }

void DisplayConsole::reshow() {
  if (stretched) console->update(ptc::Area{originX, originY, originX + width, originY + height});
  else console->update();
}

bool DisplayConsole::pumpMessages() { return ptc::pumpWindow(window); }

void DisplayConsole::waitMessages(int ms) { ptc::waitWindow(window, ms); }

void DisplayConsole::close() { console->close(); }
