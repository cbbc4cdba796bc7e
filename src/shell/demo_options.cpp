#include "shell/demo_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "safety/flash_stretches.h"

namespace zub {

namespace {

// The list of flashing stretches broken after its commas into lines of at most 78 columns.
std::string wrappedStretchList() {
  std::string list = flashStretchList() + ".", out, line = " ";
  size_t start = 0;
  while (start < list.size()) {
    size_t comma = list.find(", ", start);
    std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma + 1 - start);
    if (line.size() + 1 + item.size() > 78) {
      out.append(line).push_back('\n');
      line.resize(1); // the indent
    }
    line.append(" ").append(item);
    start = comma == std::string::npos ? list.size() : comma + 2;
  }
  out.append(line).push_back('\n');
  return out;
}

} // namespace

std::string demoUsage() {
  return "Usage: zubdemo [options]\n"
         "Plays the demo: a real-time software-rendered audiovisual show of about 4.5 minutes.\n"
         "\n"
         "WARNING: the demo shows fast flashing light, beyond the safe limits for photosensitive\n"
         "viewers (more than three flashes in one second) at these moments:\n" +
         wrappedStretchList() +
         "It may trigger seizures in people with photosensitive epilepsy. --reduce-flashes keeps what\n"
         "is shown within the limits.\n"
         "\n"
         "  --window[=WxH]   play in a resizable window (client area W x H pixels) instead of fullscreen\n"
         "  --integer        scale the 320 x 240 frame by a whole factor only, so every pixel is equally wide\n"
         "  --no-sound       play without sound (the music file is still checked)\n"
         "  --reduce-flashes hold back every flash that would break the general-flash or red-flash\n"
         "                   threshold (more than three flashes in one second); the rest is unchanged\n"
         "  --no-warning     start at once, without the photosensitivity notice\n"
         "  --data DIR       the folder that holds the data (music.dat and dat/)\n"
         "  --quiet          none of the demo's progress and debug lines on standard output (a fatal\n"
         "                   error is still shown, on standard error)\n"
         "  --stats          print presentation figures on standard error at exit\n"
         "  --help           this text\n"
         "  --version        the program's version\n"
         "\n"
         "keys: Escape or a left click ends the demo; Alt+Enter or F11 switches fullscreen and window.\n"
         "Ctrl-C (SIGINT) or SIGTERM ends it the same way, with exit status 130 or 143.\n"
         "Before the demo starts, a notice about flashing light shows for a few seconds; any key or click\n"
         "starts the demo at once, Escape ends the program.\n"
         "\n"
         "Without --data the data is looked for in the current folder, then in the folder data beside\n"
         "the program, then in ../share/zubdemo beside it.\n"
         "\n"
         "Examples:\n"
         "  zubdemo\n"
         "  zubdemo --reduce-flashes\n"
         "  zubdemo --window=960x720 --integer\n"
         "  zubdemo --no-sound --data ~/zubdemo/data\n";
}

namespace {

// "WxH" with both sides whole numbers from 1 to 16384.
bool parseSize(const char* text, int& w, int& h) {
  auto side = [](const char*& p, int& out) {
    if (*p < '0' || *p > '9') return false;
    char* end = nullptr;
    errno = 0;
    long v = strtol(p, &end, 10);
    if (errno || v < 1 || v > 16384) return false;
    out = (int)v;
    p = end;
    return true;
  };
  const char* p = text;
  if (!side(p, w) || (*p != 'x' && *p != 'X')) return false;
  ++p;
  return side(p, h) && *p == 0;
}

} // namespace

DemoAction parseDemoArgs(int argc, const char* const* argv, DemoOptions& o, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") return DemoAction::Help;
    if (arg == "--version") return DemoAction::Version;
    if (arg == "--window") {
      o.fullscreen = false;
    } else if (arg.rfind("--window=", 0) == 0) {
      if (!parseSize(arg.c_str() + 9, o.windowWidth, o.windowHeight)) {
        error = "--window= takes a size such as 640x480, not '" + arg.substr(9) + "'";
        return DemoAction::Error;
      }
      o.fullscreen = false;
    } else if (arg == "--integer") {
      o.integerScale = true;
    } else if (arg == "--no-sound") {
      o.sound = false;
    } else if (arg == "--reduce-flashes") {
      o.reduceFlashes = true;
    } else if (arg == "--no-warning") {
      o.warning = false;
    } else if (arg == "--quiet") {
      o.quiet = true;
    } else if (arg == "--stats") {
      o.stats = true;
    } else if (arg == "--data" || arg.rfind("--data=", 0) == 0) {
      if (arg == "--data") {
        if (i + 1 >= argc) {
          error = "--data needs a folder";
          return DemoAction::Error;
        }
        o.dataDir = argv[++i];
      } else {
        o.dataDir = arg.substr(7);
      }
      if (o.dataDir.empty()) {
        error = "--data needs a folder";
        return DemoAction::Error;
      }
    } else {
      error = (arg.size() > 1 && arg[0] == '-' ? "unknown option '" : "unexpected argument '") + arg + "'";
      return DemoAction::Error;
    }
  }
  return DemoAction::Run;
}

} // namespace zub
