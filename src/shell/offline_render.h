// The offline renderer: the demo's own frame loop on a virtual clock and the memory console,
// writing frames as PNG files or a Y4M video, a contact sheet of the scene steps, or timing
// every frame. After each frame the clock jumps to the first whole millisecond at which the
// pacer grants the next one, so the output never depends on the machine.
#pragma once
#include <cstdint>
#include <string>

namespace zub {

struct RenderOptions {
  std::string outDir;        // PNG frames go here when set
  double from = 0;           // seconds of the timeline: first frame written
  double to = -1;            // last frame written; negative: to the end of the demo
  int every = 1;             // write every Nth PNG frame
  int scale = 1;             // nearest-neighbour enlargement of PNG and Y4M frames
  std::string y4mPath;       // every frame in [from, to] as one Y4M video
  bool y4m444 = false;       // 4:4:4 chroma instead of 4:2:0
  std::string sheetPath;     // contact sheet PNG: the middle frame of each scene step
  std::string audioPath;     // the soundtrack of the frames in [from, to] as WAV
  std::string mp4Path;       // frames and soundtrack as one H.264/AAC file (needs ffmpeg)
  bool bench = false;        // time every frame, write nothing
  bool quiet = false;        // silence the demo's own standard output
  bool progress = true;      // progress bar on standard error
  std::string dataDir;       // --data: the folder of the asset pack; empty: looked up
};

// Sample frames of sound per video frame (48 kHz at 30 frames per second).
const int samplesPerFrame = 1600;

// First whole millisecond after the pacer's start at which frame n is due.
int32_t virtualFrameTime(int n, float periodTicks);

// Parses the command line. Returns -1 to go on, or the exit status (0 after --help, 2 after an
// error, with `error` saying why).
int parseRenderArgs(int argc, char** argv, RenderOptions& options, std::string& error);
extern const char* renderUsage;

// Renders the demo as `options` say. Returns the exit status.
int renderDemo(const RenderOptions& options);

} // namespace zub
