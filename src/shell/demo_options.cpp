#include "shell/demo_options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "safety/flash_stretches.h"
#include "scenes/scene_table.h"

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

namespace {

bool allDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Seconds written as 95s, 95.5 or 1:35; -1 when the text is none of these.
double parseSeconds(std::string text) {
  const size_t colon = text.find(':');
  if (colon != std::string::npos) {
    const std::string minutes = text.substr(0, colon), seconds = text.substr(colon + 1);
    if (!allDigits(minutes) || minutes.size() > 3 || seconds.size() != 2 || !allDigits(seconds)) return -1;
    const int s = std::stoi(seconds);
    return s < 60 ? std::stoi(minutes) * 60.0 + s : -1;
  }
  if (!text.empty() && text.back() == 's') text.pop_back();
  else if (text.find('.') == std::string::npos) return -1; // a bare whole number is a scene
  const size_t point = text.find('.');
  const std::string whole = text.substr(0, point);
  const std::string part = point == std::string::npos ? "" : text.substr(point + 1);
  if (!allDigits(whole) || whole.size() > 4 || (point != std::string::npos && !allDigits(part))) return -1;
  return std::strtod(text.c_str(), nullptr);
}

} // namespace

bool parseStartPoint(const std::string& text, int& scene, int& ms) {
  scene = -1;
  ms = 0;
  if (text.empty()) return false;
  if (allDigits(text)) {
    if (text.size() > 2) return false;
    scene = std::stoi(text);
    return scene < sceneCount;
  }
  const double seconds = parseSeconds(text);
  if (seconds >= 0) {
    if (seconds > timelineSeconds()) return false;
    ms = (int)std::lround(seconds * 1000);
    return true;
  }
  // A scene by name, with or without its "scene" prefix, in any case.
  auto lower = [](std::string s) {
    for (char& c : s) c = (char)std::tolower((unsigned char)c);
    return s;
  };
  const std::string wanted = lower(text);
  for (int i = 0; i < sceneCount; ++i) {
    const std::string name = lower(sceneName(i));
    if (wanted == name || "scene" + wanted == name) {
      scene = i;
      return true;
    }
  }
  return false;
}

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
         "  --start WHERE    start at a scene, by number (0 to 11) or name (sceneBumpBall), or at a\n"
         "                   moment of the timeline (95s, 95.5 or 1:35); the picture and the music are\n"
         "                   exactly where the whole run would have them\n"
         "  --data DIR       the folder that holds the data (music.dat and dat/)\n"
         "  --quiet          none of the demo's progress and debug lines on standard output (a fatal\n"
         "                   error is still shown, on standard error)\n"
         "  --stats          print presentation figures on standard error at exit\n"
         "  --help           this text\n"
         "  --version        the program's version\n"
         "\n"
         "keys: Escape or a left click ends the demo; Alt+Enter or F11 switches fullscreen and window.\n"
         "Space pauses and resumes; Right and Left jump to the next scene and back to the start of this\n"
         "one (or, within its first two seconds, of the one before); Up and Down change the volume, M\n"
         "mutes. A caption shows the scene, the time and the volume for a moment after each.\n"
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
         "  zubdemo --start sceneBumpBall\n"
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
    } else if (arg == "--start" || arg.rfind("--start=", 0) == 0) {
      if (arg == "--start" && i + 1 >= argc) {
        error = "--start needs a scene or a time";
        return DemoAction::Error;
      }
      const std::string value = arg == "--start" ? argv[++i] : arg.substr(8);
      if (!parseStartPoint(value, o.startScene, o.startMs)) {
        error = "--start takes a scene (0 to " + std::to_string(sceneCount - 1) +
                ", or a name such as sceneBumpBall) or a time of the timeline (95s, 95.5 or 1:35), not '" + value + "'";
        return DemoAction::Error;
      }
      o.startLater = true;
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
