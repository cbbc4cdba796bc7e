// The offline renderer: the demo's own frame loop on a virtual clock and the memory console,
// handing every frame to the writers of src/capture (PNG sequence, Y4M, contact sheet, MP4) and
// the soundtrack of the same frames to a WAV file, or timing every frame. After each frame the
// clock jumps to the first whole millisecond at which the pacer grants the next one, so the
// output never depends on the machine.
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
  int sizeWidth = 0;         // --size: PNG, Y4M and MP4 frames of this size, the picture fitted in
  int sizeHeight = 0;        //   it with its shape kept and centred on black; 0: 320 x 240 x scale
  bool integerScale = false; // with --size: whole enlargement factors only
  std::string y4mPath;       // every frame in [from, to] as one Y4M video ("-": standard output)
  bool y4m444 = false;       // 4:4:4 chroma instead of 4:2:0
  std::string sheetPath;     // contact sheet PNG: the middle frame of each scene step
  std::string audioPath;     // the soundtrack of the frames in [from, to] as WAV
  std::string mp4Path;       // frames and soundtrack as one H.264/AAC file (needs ffmpeg)
  std::string flashReportPath; // the failing flash stretches of [from, to] as JSON ("-": standard output)
  bool reduceFlashes = false;  // the flash limiter between each frame and every output
  bool bench = false;        // time every frame, write nothing
  bool quiet = false;        // silence the demo's own standard output
  bool progress = true;      // progress bar on standard error
  std::string dataDir;       // --data: the folder of the asset pack; empty: looked up
};

// Renders the demo as `options` say. Returns the exit status: the demo's own, 1 when an output
// cannot be written (the reason printed on standard error), 2 when nothing fell in [from, to].
int renderDemo(const RenderOptions& options);

} // namespace zub
