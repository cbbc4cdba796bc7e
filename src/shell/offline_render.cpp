#include "shell/offline_render.h"
#include "core/version.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "image/image_writers.h"
#include "image/tiny_font.h"
#include "image/y4m_writer.h"
#include "music/midas.h"
#include "music/soundtrack.h"
#include "scenes/scene_table.h"
#include "core/clock.h"
#include "shell/demo_app.h"
#include "platform/ptc.h"
#include "core/random.h"

namespace zub {

const char* renderUsage =
    "usage: zubrender [options]\n"
    "Renders the demo offline on a virtual clock (30 frames per second, deterministic).\n"
    "The data is read from --data DIR, else the working folder when it holds it, else\n"
    "../share/zubdemo beside the program.\n"
    "\n"
    "  --out DIR        write frames as DIR/frame_NNNNNN.png (NNNNNN: frame number)\n"
    "  --from S         first second of the timeline to write (default 0)\n"
    "  --to S           last second of the timeline to write; rendering stops there (default: the end)\n"
    "  --every N        write every Nth frame as PNG (default 1)\n"
    "  --scale K        enlarge PNG and Y4M frames K times, nearest neighbour (1 to 8, default 1)\n"
    "  --y4m FILE       write every frame from --from to --to as one YUV4MPEG2 video, 30 fps\n"
    "  --chroma 420|444 chroma of the Y4M video (default 420)\n"
    "  --sheet FILE.png contact sheet: the middle frame of each scene step, labelled\n"
    "  --audio FILE.wav the soundtrack of the written frames (48 kHz stereo 16-bit), same length\n"
    "  --mp4 FILE       frames and soundtrack as one H.264/AAC video (needs ffmpeg installed)\n"
    "  --bench          render as fast as possible without output; print frames per second\n"
    "                   and the slowest frames with their scene and step\n"
    "  --quiet          silence the demo's own standard output\n"
    "  --no-progress    no progress bar on standard error\n"
    "  --data DIR       the folder that holds the data (music.dat and dat/)\n"
    "  --help           this text\n"
    "  --version        the program's version\n"
    "\n"
    "examples:\n"
    "  cd data && ../build/zubrender --out /tmp/frames --from 2 --to 4 --every 5 --scale 2\n"
    "  cd data && ../build/zubrender --quiet --y4m /tmp/demo.y4m && ffplay /tmp/demo.y4m\n"
    "  cd data && ../build/zubrender --quiet --sheet /tmp/sheet.png\n"
    "  cd data && ../build/zubrender --quiet --mp4 /tmp/demo.mp4\n"
    "  cd data && ../build/zubrender --bench\n";

int32_t virtualFrameTime(int n, float periodTicks) {
  // The pacer grants frame n once (int)(elapsed / periodTicks) >= n; find the first such ms.
  int32_t ms = (int32_t)std::floor((double)n * periodTicks);
  while (ms > 0 && (int)((double)(ms - 1) / periodTicks) >= n) --ms;
  while ((int)((double)ms / periodTicks) < n) ++ms;
  return ms;
}

namespace {

bool parseNumber(const char* text, double& value) {
  char* end = nullptr;
  errno = 0;
  value = strtod(text, &end);
  return end != text && *end == 0 && errno == 0 && std::isfinite(value);
}

bool parseCount(const char* text, int low, int high, int& value) {
  double d;
  if (!parseNumber(text, d) || d != std::floor(d) || d < low || d > high) return false;
  value = (int)d;
  return true;
}

// A folder exists (or is made) and accepts a new file.
bool writableFolder(const std::string& dir, std::string& error) {
  if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
    error = "cannot create output folder " + dir + ": " + strerror(errno);
    return false;
  }
  std::string probe = dir + "/.zubrender-probe";
  FILE* f = fopen(probe.c_str(), "wb");
  if (!f) {
    error = "cannot write into output folder " + dir + ": " + strerror(errno);
    return false;
  }
  fclose(f);
  unlink(probe.c_str());
  return true;
}

// The path of `program` on PATH, or "" when it is not installed.
std::string findProgram(const char* program) {
  const char* path = getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t colon = dirs.find(':', start);
    std::string dir = dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return "";
}

bool writableFile(const std::string& path, std::string& error) {
  FILE* f = fopen(path.c_str(), "ab");
  if (!f) {
    error = "cannot write " + path + ": " + strerror(errno);
    return false;
  }
  fclose(f);
  return true;
}

} // namespace

int parseRenderArgs(int argc, char** argv, RenderOptions& o, std::string& error) {
  bool fromGiven = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](const char*& out) {
      if (i + 1 >= argc) {
        error = arg + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    };
    const char* v = nullptr;
    if (arg == "--help" || arg == "-h") {
      fputs(renderUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      printf("zubrender %s\n", ZUB_VERSION);
      return 0;
    } else if (arg == "--data") {
      if (!value(v)) return 2;
      o.dataDir = v;
    } else if (arg == "--bench") {
      o.bench = true;
    } else if (arg == "--quiet") {
      o.quiet = true;
    } else if (arg == "--no-progress") {
      o.progress = false;
    } else if (arg == "--out" || arg == "--y4m" || arg == "--sheet" || arg == "--chroma" || arg == "--audio" ||
               arg == "--mp4") {
      if (!value(v)) return 2;
      if (*v == 0) {
        error = arg + " needs a non-empty value";
        return 2;
      }
      if (arg == "--out") o.outDir = v;
      if (arg == "--y4m") o.y4mPath = v;
      if (arg == "--sheet") o.sheetPath = v;
      if (arg == "--audio") o.audioPath = v;
      if (arg == "--mp4") o.mp4Path = v;
      if (arg == "--chroma") {
        if (strcmp(v, "420") && strcmp(v, "444")) {
          error = "--chroma takes 420 or 444, not '" + std::string(v) + "'";
          return 2;
        }
        o.y4m444 = strcmp(v, "444") == 0;
      }
    } else if (arg == "--from" || arg == "--to") {
      double seconds;
      if (!value(v)) return 2;
      if (!parseNumber(v, seconds) || seconds < 0) {
        error = arg + " takes seconds (a number of 0 or more), not '" + std::string(v) + "'";
        return 2;
      }
      (arg == "--from" ? o.from : o.to) = seconds;
      fromGiven |= arg == "--from";
    } else if (arg == "--every" || arg == "--scale") {
      if (!value(v)) return 2;
      bool every = arg == "--every";
      if (!parseCount(v, 1, every ? 1000000 : 8, every ? o.every : o.scale)) {
        error = arg + (every ? " takes a whole number of 1 or more" : " takes a whole number from 1 to 8") +
                ", not '" + v + "'";
        return 2;
      }
    } else {
      error = "unknown option '" + arg + "'";
      return 2;
    }
  }
  (void)fromGiven;
  if (o.to >= 0 && o.from > o.to) {
    error = "--from must not be after --to";
    return 2;
  }
  bool writes = !o.outDir.empty() || !o.y4mPath.empty() || !o.sheetPath.empty() || !o.audioPath.empty() ||
                !o.mp4Path.empty();
  if (o.bench && writes) {
    error = "--bench writes nothing; leave out --out, --y4m, --sheet, --audio and --mp4";
    return 2;
  }
  if (!o.bench && !writes) {
    error = "nothing to do: give --out, --y4m, --sheet, --audio, --mp4 or --bench";
    return 2;
  }
  if (!o.mp4Path.empty() && findProgram("ffmpeg").empty()) {
    error = "--mp4 needs ffmpeg, which is not installed (apt-get install ffmpeg)";
    return 2;
  }
  if (!o.outDir.empty() && !writableFolder(o.outDir, error)) return 2;
  if (!o.y4mPath.empty() && !writableFile(o.y4mPath, error)) return 2;
  if (!o.sheetPath.empty() && !writableFile(o.sheetPath, error)) return 2;
  if (!o.audioPath.empty() && !writableFile(o.audioPath, error)) return 2;
  if (!o.mp4Path.empty() && !writableFile(o.mp4Path, error)) return 2;
  return -1;
}

namespace {

const int frameWidth = 320, frameHeight = 240;
const int thumbWidth = 160, thumbHeight = 120, labelHeight = 12, sheetColumns = 6, sheetGap = 4;

struct SheetEntry {
  int scene, step;
  int32_t target;                // frame time at the middle of the step
  bool atMiddle;                 // the thumbnail is the middle frame, not yet the first
  std::vector<uint32_t> thumb;   // thumbWidth x thumbHeight
};

struct FrameTiming {
  double ms;
  int frame, scene, step;
};

// Everything the frame hook needs; allocated before the first frame.
struct RenderRun {
  const RenderOptions* options;
  int32_t toMs;                  // last frame time written (and rendered)
  double timelineSeconds;        // estimate for the progress bar
  std::vector<uint32_t> scaled;  // one enlarged frame
  Y4mWriter y4m;
  bool failed = false;
  std::string error;
  int pngWritten = 0, inRange = 0;
  int firstInRange = -1;         // frame number of the first frame in [from, to]
  std::vector<SheetEntry> sheet;
  int lastScene = -1, lastStep = -1;
  double lastSeconds = 0;
  std::vector<FrameTiming> timings;
  std::chrono::steady_clock::time_point lastMark, started, lastProgress;
  bool haveMark = false;
  bool progressOnTerminal = false;
  int lastProgressTenth = -1;
};

const char* sceneName(int index) { return index >= 0 && index < sceneCount ? sceneTable[index].name : "?"; }

const uint32_t* scaledFrame(RenderRun& run, const uint32_t* pixels) {
  int k = run.options->scale;
  if (k == 1) return pixels;
  int w = frameWidth * k;
  for (int y = 0; y < frameHeight * k; ++y) {
    const uint32_t* src = pixels + (y / k) * frameWidth;
    uint32_t* dst = run.scaled.data() + (size_t)y * w;
    for (int x = 0; x < w; ++x) dst[x] = src[x / k];
  }
  return run.scaled.data();
}

void takeThumb(SheetEntry& entry, const uint32_t* pixels) {
  entry.thumb.resize(thumbWidth * thumbHeight);
  for (int y = 0; y < thumbHeight; ++y)
    for (int x = 0; x < thumbWidth; ++x) {
      const uint32_t* p = pixels + (y * 2) * frameWidth + x * 2;
      uint32_t quad[4] = {p[0], p[1], p[frameWidth], p[frameWidth + 1]};
      uint32_t r = 0, g = 0, b = 0;
      for (uint32_t q : quad) {
        r += (q >> 16) & 0xFF;
        g += (q >> 8) & 0xFF;
        b += q & 0xFF;
      }
      entry.thumb[y * thumbWidth + x] = (r / 4) << 16 | (g / 4) << 8 | (b / 4);
    }
}

void showProgress(RenderRun& run, double seconds, int scene, int step, bool final) {
  if (!run.options->progress) return;
  auto now = std::chrono::steady_clock::now();
  double total = run.options->to >= 0 ? std::min(run.options->to, run.timelineSeconds) : run.timelineSeconds;
  double fraction = total > 0 ? std::min(1.0, seconds / total) : 1.0;
  if (final) fraction = 1.0;
  double elapsed = std::chrono::duration<double>(now - run.started).count();
  double left = fraction > 0.01 ? elapsed * (1 - fraction) / fraction : 0;
  if (run.progressOnTerminal) {
    if (!final && now - run.lastProgress < std::chrono::milliseconds(100)) return;
    run.lastProgress = now;
    char bar[31];
    int filled = (int)(fraction * 30);
    for (int i = 0; i < 30; ++i) bar[i] = i < filled ? '#' : '-';
    bar[30] = 0;
    fprintf(stderr, "\r[%s] %3d%%  %-18s step %-2d %6.1f s  elapsed %4.0f s  left %4.0f s ", bar,
            (int)(fraction * 100), sceneName(scene), step, seconds, elapsed, left);
    if (final) fputc('\n', stderr);
  } else {
    int tenth = (int)(fraction * 10);
    if (tenth == run.lastProgressTenth) return;
    run.lastProgressTenth = tenth;
    fprintf(stderr, "zubrender: %3d%%  %s step %d  %.1f s of the timeline, elapsed %.0f s, left %.0f s\n",
            (int)(fraction * 100), sceneName(scene), step, seconds, elapsed, left);
  }
}

void onFrame(DemoApp& app, void* data) {
  RenderRun& run = *(RenderRun*)data;
  auto now = std::chrono::steady_clock::now();
  const RenderOptions& o = *run.options;
  int frame = app.pacer->framesIssued - 1;
  int32_t t = clockNow() - app.pacer->startTicks;
  int scene = sceneIndex(app.frameScene);
  int step = app.frameStep;
  if (o.bench && run.haveMark)
    run.timings.push_back({std::chrono::duration<double, std::milli>(now - run.lastMark).count(), frame, scene, step});

  const uint32_t* pixels = app.console->presentedFrame();
  bool inRange = t >= o.from * 1000 && (run.toMs < 0 || t <= run.toMs);
  if (inRange && run.firstInRange < 0) run.firstInRange = frame;
  if (inRange && !run.failed) {
    if (!o.outDir.empty() && run.inRange % o.every == 0) {
      char name[32];
      snprintf(name, sizeof name, "/frame_%06d.png", frame);
      const uint32_t* out = scaledFrame(run, pixels);
      if (!writePng(o.outDir + name, out, frameWidth * o.scale, frameHeight * o.scale, run.error)) run.failed = true;
      ++run.pngWritten;
    }
    if (run.y4m.width && !run.y4m.writeFrame(scaledFrame(run, pixels), run.error)) run.failed = true;
    ++run.inRange;
  }
  if (!o.sheetPath.empty() && step != 0) {
    if (scene != run.lastScene || step != run.lastStep) {
      // First frame of a step: the timer holds this step's start and length.
      int32_t start = app.timer->clock->startTicks - app.pacer->startTicks;
      run.sheet.push_back({scene, step, start + (int32_t)(app.timer->duration * 500), false, {}});
      takeThumb(run.sheet.back(), pixels);
    } else if (!run.sheet.back().atMiddle && t >= run.sheet.back().target) {
      run.sheet.back().atMiddle = true;
      takeThumb(run.sheet.back(), pixels);
    }
  }
  run.lastScene = scene;
  run.lastStep = step;
  run.lastSeconds = t / 1000.0;
  showProgress(run, t / 1000.0, scene, step, false);

  int32_t next = virtualFrameTime(frame + 1, app.pacer->periodTicks);
  if (run.failed || (run.toMs >= 0 && next > run.toMs)) ptc::postQuit(app.console->window);
  clockSetVirtual(app.pacer->startTicks + next);
  run.lastMark = std::chrono::steady_clock::now();
  run.haveMark = true;
}

bool writeSheet(const RenderRun& run, const std::string& path, std::string& error) {
  int count = (int)run.sheet.size();
  int rows = (count + sheetColumns - 1) / sheetColumns;
  int cellW = thumbWidth + sheetGap, cellH = thumbHeight + labelHeight + sheetGap;
  int w = sheetColumns * cellW + sheetGap, h = std::max(1, rows) * cellH + sheetGap;
  Bitmap sheet(w, h);
  for (int i = 0; i < w * h; ++i) sheet.pixels[i] = 0x202020;
  for (int i = 0; i < count; ++i) {
    const SheetEntry& e = run.sheet[i];
    int x0 = sheetGap + (i % sheetColumns) * cellW, y0 = sheetGap + (i / sheetColumns) * cellH;
    for (int y = 0; y < thumbHeight; ++y)
      memcpy(sheet.pixels + (size_t)(y0 + y) * w + x0, e.thumb.data() + y * thumbWidth, thumbWidth * 4);
    char label[64];
    snprintf(label, sizeof label, "%s %d", sceneName(e.scene), e.step);
    drawText(&sheet, x0 + 1, y0 + thumbHeight + 3, label, 0xFFFFFF);
  }
  return writePng(path, sheet.pixels, w, h, error);
}

void printBench(const RenderRun& run, FILE* out) {
  const std::vector<FrameTiming>& t = run.timings;
  double total = 0;
  for (const FrameTiming& f : t) total += f.ms;
  fprintf(out, "frames: %zu timed in %.3f s: %.1f frames per second\n", t.size(), total / 1000,
          total > 0 ? t.size() * 1000.0 / total : 0.0);
  std::vector<FrameTiming> slowest = t;
  std::sort(slowest.begin(), slowest.end(), [](const FrameTiming& a, const FrameTiming& b) { return a.ms > b.ms; });
  fprintf(out, "slowest frames:\n");
  for (size_t i = 0; i < slowest.size() && i < 5; ++i)
    fprintf(out, "  %8.3f ms  frame %6d  %s step %d\n", slowest[i].ms, slowest[i].frame, sceneName(slowest[i].scene),
            slowest[i].step);
  fprintf(out, "per scene:\n");
  for (int s = 0; s < sceneCount; ++s) {
    double sum = 0, worst = 0;
    int n = 0;
    for (const FrameTiming& f : t)
      if (f.scene == s) {
        sum += f.ms;
        worst = std::max(worst, f.ms);
        ++n;
      }
    if (n == 0) continue;
    fprintf(out, "  %-18s %5d frames  %9.1f fps  slowest %7.3f ms\n", sceneTable[s].name, n, sum > 0 ? n * 1000.0 / sum : 0.0,
            worst);
  }
}

void audioProgress(double fraction, void* data) {
  RenderRun& run = *(RenderRun*)data;
  if (!run.options->progress) return;
  auto now = std::chrono::steady_clock::now();
  if (fraction < 1 && now - run.lastProgress < std::chrono::milliseconds(250)) return;
  run.lastProgress = now;
  fprintf(stderr, run.progressOnTerminal ? "\rzubrender: soundtrack %3d%% " : "zubrender: soundtrack %3d%%\n",
          (int)(fraction * 100));
  if (run.progressOnTerminal && fraction >= 1) fputc('\n', stderr);
}

// Frames and soundtrack muxed by ffmpeg into H.264/AAC.
bool muxMp4(const std::string& y4m, const std::string& wav, const std::string& mp4, std::string& error) {
  std::string command = "ffmpeg -nostdin -y -loglevel error -i '" + y4m + "' -i '" + wav +
                        "' -c:v libx264 -pix_fmt yuv420p -crf 18 -c:a aac -b:a 192k -shortest '" + mp4 + "'";
  for (const std::string* p : {&y4m, &wav, &mp4})
    if (p->find('\'') != std::string::npos) {
      error = "cannot pass a file name with a single quote to ffmpeg: " + *p;
      return false;
    }
  int status = system(command.c_str());
  if (status != 0) {
    error = "ffmpeg could not write " + mp4 + " (status " + std::to_string(status) + ")";
    return false;
  }
  return true;
}

// A temporary file name in the system's temporary folder, made and left empty.
std::string temporaryFile(const char* suffix) {
  const char* dir = getenv("TMPDIR");
  std::string path = std::string(dir && *dir ? dir : "/tmp") + "/zubrender-XXXXXX" + suffix;
  std::vector<char> name(path.begin(), path.end());
  name.push_back(0);
  int fd = mkstemps(name.data(), (int)strlen(suffix));
  if (fd < 0) return "";
  close(fd);
  return name.data();
}

} // namespace

int renderDemo(const RenderOptions& options) {
  RenderRun run;
  run.options = &options;
  run.toMs = options.to >= 0 ? (int32_t)std::floor(options.to * 1000) : -1;
  run.timelineSeconds = 0;
  for (int s = 0; s < sceneCount; ++s) run.timelineSeconds += sceneSeconds(sceneTable[s]);
  run.scaled.resize((size_t)frameWidth * frameHeight * options.scale * options.scale);
  run.progressOnTerminal = isatty(2);
  if (options.bench) run.timings.reserve(10000);
  // The mp4 is muxed from a Y4M video and a WAV soundtrack: the ones asked for, or temporary ones.
  std::string y4mPath = options.y4mPath, wavPath = options.audioPath;
  std::vector<std::string> temporaries;
  if (!options.mp4Path.empty()) {
    if (y4mPath.empty()) temporaries.push_back(y4mPath = temporaryFile(".y4m"));
    if (wavPath.empty()) temporaries.push_back(wavPath = temporaryFile(".wav"));
  }
  struct Cleanup {
    std::vector<std::string>& files;
    ~Cleanup() {
      for (const std::string& f : files)
        if (!f.empty()) unlink(f.c_str());
    }
  } cleanup{temporaries};
  for (const std::string& t : temporaries)
    if (t.empty()) {
      fprintf(stderr, "zubrender: cannot create a temporary file: %s\n", strerror(errno));
      return 1;
    }
  if (!y4mPath.empty() &&
      !run.y4m.open(y4mPath, frameWidth * options.scale, frameHeight * options.scale, 30, options.y4m444, run.error)) {
    fprintf(stderr, "zubrender: %s\n", run.error.c_str());
    return 2;
  }

  // The demo's lines go to standard output; --quiet and --bench send them nowhere, keeping the
  // real standard output for our own report.
  FILE* report = stdout;
  int savedStdout = -1;
  if (options.quiet || options.bench) {
    fflush(stdout);
    savedStdout = dup(1);
    if (!freopen("/dev/null", "w", stdout)) return 1;
    report = fdopen(savedStdout, "w");
  }

  ptc::useBackend(ptc::Backend::Memory);
  midasUseBackend(MidasBackend::Silent);
  clockUseVirtual(0);
  demoRandReset();
  run.started = run.lastProgress = std::chrono::steady_clock::now();
  int status;
  try {
    status = runDemo(onFrame, &run);
  } catch (const ptc::DynamicError& e) {
    fprintf(stderr, "%s\n", e.message());
    return 1;
  }
  fflush(stdout);
  showProgress(run, run.lastSeconds, run.lastScene, run.lastStep, true);
  if (!run.failed && !options.y4mPath.empty() && !run.y4m.close(run.error)) run.failed = true;
  if (!run.failed && !options.sheetPath.empty() && !writeSheet(run, options.sheetPath, run.error)) run.failed = true;
  if (!run.failed && !wavPath.empty()) {
    // The soundtrack of exactly the frames written: frame k spans samples k * 1600 .. (k + 1) * 1600.
    int64_t first = run.firstInRange < 0 ? 0 : run.firstInRange;
    if (!renderSoundtrack("music.dat", wavPath, first * samplesPerFrame, (int64_t)run.inRange * samplesPerFrame,
                          run.error, audioProgress, &run))
      run.failed = true;
  }
  if (!run.failed && !options.mp4Path.empty() && !muxMp4(y4mPath, wavPath, options.mp4Path, run.error)) run.failed = true;
  if (run.failed) {
    fprintf(stderr, "zubrender: %s\n", run.error.c_str());
    return 1;
  }
  if (options.bench) printBench(run, report);
  if (!options.outDir.empty()) fprintf(stderr, "zubrender: wrote %d PNG frames to %s\n", run.pngWritten, options.outDir.c_str());
  if (report != stdout) fclose(report);
  return status;
}

} // namespace zub
