// The desktop program's command line: presentation options only (window or fullscreen, scaling,
// sound, where the data is, statistics); the timeline itself takes no configuration.
#pragma once
#include <string>

namespace zub {

struct DemoOptions {
  bool fullscreen = true;    // false with --window
  int windowWidth = 0;       // client area asked with --window=WxH; 0: chosen from the desktop
  int windowHeight = 0;
  bool integerScale = false; // --integer: whole scale factors only
  bool sound = true;         // false with --no-sound
  std::string dataDir;       // --data DIR; empty: looked up
  bool stats = false;        // --stats: presentation figures on standard error at exit
  bool warning = true;       // false with --no-warning: no photosensitivity notice before the start
  bool reduceFlashes = false;// --reduce-flashes: what is shown stays within the flash thresholds
  bool quiet = false;        // --quiet: none of the demo's lines on standard output (fatal errors still shown)
  bool startLater = false;   // --start: begin at a scene or a moment instead of the first frame
  int startScene = -1;       // ... at this scene (its index in the timeline), or
  int startMs = 0;           // ... at this moment of the timeline, when startScene is -1
};

// The value of --start: a scene by number (0 to 11) or name (sceneBumpBall, or bumpball), or a
// moment of the timeline in seconds, written with a unit or a point (95s, 95.5) or as m:ss (1:35).
// False when it is none of these or lies beyond the timeline.
bool parseStartPoint(const std::string& text, int& scene, int& ms);

enum class DemoAction { Run, Help, Version, Error };

// Parses argv[1..argc-1] into `options`. On Error, `error` says what was wrong.
DemoAction parseDemoArgs(int argc, const char* const* argv, DemoOptions& options, std::string& error);

// The --help text; its warning lists where the demo flashes.
std::string demoUsage();

} // namespace zub
