// The offline frame loop: the demo on the virtual clock, each frame in [from, to] passed to the
// writers, a progress bar on standard error, and the timing report of --bench.
#include "shell/offline_render.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "capture/contact_sheet.h"
#include "capture/mp4_pipe.h"
#include "capture/os_services.h"
#include "capture/output_file.h"
#include "capture/png_sequence.h"
#include "capture/wav_output.h"
#include "capture/y4m_writer.h"
#include "core/clock.h"
#include "core/frame.h"
#include "core/random.h"
#include "music/midas.h"
#include "platform/frame_scaler.h"
#include "platform/ptc.h"
#include "safety/flash_stretches.h"
#include "scenes/scene_table.h"
#include "shell/demo_app.h"

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

namespace zub {

namespace {

using zub::frameHeight;
using zub::frameWidth;

struct FrameTiming {
  double ms;     // wall clock
  double cpuMs;  // process CPU time
  int frame, scene, step;
};

// Everything the frame hook needs; allocated before the first frame.
struct RenderRun {
  const RenderOptions* options;
  int32_t fromMs, toMs;          // frame times written; toMs negative: to the end
  double timelineSeconds;        // estimate for the progress bar
  int outWidth = 0, outHeight = 0; // the size of the written frames
  std::vector<uint32_t> scaled;  // one enlarged frame
  FrameScaler scaler;
  PngSequence png;
  Y4mWriter y4m;
  bool writeY4m = false;
  Mp4Pipe mp4;
  ContactSheet sheet;
  OutputFile flashReport;
  FlashAnalyser flashAnalyser;   // sees every frame, so the window at --from is whole
  StretchCollector flashStretches;
  int32_t lastInRangeMs = 0;
  Failure failure;               // of a writer while frames were written; it ends the run
  int inRange = 0;
  int firstInRange = -1;         // frame number of the first frame in [from, to]
  int lastScene = -1, lastStep = -1;
  double lastSeconds = 0;
  std::vector<FrameTiming> timings;
  std::chrono::steady_clock::time_point lastMark, started, lastProgress;
  double lastCpu = 0;
  bool haveMark = false;
  bool progressOnTerminal = false;
  int lastProgressTenth = -1;
};

// The written frames: the picture enlarged by nearest neighbour to the largest size that fits the
// output (whole factors only with --integer), its shape kept, centred on black; the window's own
// scaler does exactly that.
void layOutFrame(RenderRun& run) {
  const RenderOptions& o = *run.options;
  run.outWidth = o.sizeWidth ? o.sizeWidth : frameWidth * o.scale;
  run.outHeight = o.sizeHeight ? o.sizeHeight : frameHeight * o.scale;
  run.scaler.layout(frameWidth, frameHeight, run.outWidth, run.outHeight, o.integerScale);
  run.scaled.assign((size_t)run.outWidth * run.outHeight, 0); // the bars stay black
}

const uint32_t* scaledFrame(RenderRun& run, const uint32_t* pixels) {
  if (run.outWidth == frameWidth && run.outHeight == frameHeight) return pixels;
  run.scaler.scale(pixels, run.scaled.data(), run.outWidth * 4);
  return run.scaled.data();
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

void writeFrame(RenderRun& run, DemoApp& app, int frame, int32_t t, const uint32_t* pixels) {
  const RenderOptions& o = *run.options;
  int scene = sceneIndex(app.frameScene);
  bool png = !o.outDir.empty() && run.inRange % o.every == 0;
  // Enlarged once for every output that takes it.
  const uint32_t* out = png || run.writeY4m || !o.mp4Path.empty() ? scaledFrame(run, pixels) : pixels;
  if (png) run.failure = run.png.write(frame, out, run.outWidth, run.outHeight);
  if (!run.failure && run.writeY4m) run.failure = run.y4m.writeFrame(out);
  if (!run.failure && !o.mp4Path.empty()) run.failure = run.mp4.writeFrame(out);
  if (!o.sheetPath.empty()) {
    run.sheet.addFrame(pixels, scene, sceneName(scene), app.frameStep, t,
                       app.timer->stepMiddleTicks() - app.pacer->startTicks);
  }
}

void onFrame(DemoApp& app, void* data) {
  RenderRun& run = *(RenderRun*)data;
  auto now = std::chrono::steady_clock::now();
  double cpu = run.options->bench ? processCpuSeconds() : 0;
  int frame = app.pacer->framesIssued - 1;
  int32_t t = clockNow() - app.pacer->startTicks;
  int scene = sceneIndex(app.frameScene);
  int step = app.frameStep;
  bool inRange = t >= run.fromMs && (run.toMs < 0 || t <= run.toMs);
  if (run.options->bench && run.haveMark && inRange)
    run.timings.push_back({std::chrono::duration<double, std::milli>(now - run.lastMark).count(),
                           (cpu - run.lastCpu) * 1000, frame, scene, step});
  if (inRange && run.firstInRange < 0) run.firstInRange = frame;
  if (!run.options->flashReportPath.empty()) {
    FlashVerdict verdict = run.flashAnalyser.add(app.console->presentedFrame(), t);
    if (inRange) run.flashStretches.add(t / 1000.0, verdict);
  }
  if (inRange) run.lastInRangeMs = t;
  if (inRange && !run.failure) {
    writeFrame(run, app, frame, t, app.console->presentedFrame());
    ++run.inRange;
  }
  run.lastScene = scene;
  run.lastStep = step;
  run.lastSeconds = t / 1000.0;
  showProgress(run, t / 1000.0, scene, step, false);

  int32_t next = app.pacer->dueTicks(frame + 1);
  if (run.failure || (run.toMs >= 0 && next > run.toMs)) ptc::postQuit(app.console->window);
  app.clockToFrame(frame + 1);
  run.lastMark = std::chrono::steady_clock::now();
  if (run.options->bench) run.lastCpu = processCpuSeconds();
  run.haveMark = true;
}

// The value below which `share` of the sorted values lie (nearest rank).
double percentile(const std::vector<double>& sorted, double share) {
  if (sorted.empty()) return 0;
  size_t rank = (size_t)std::ceil(share * (double)sorted.size());
  return sorted[std::min(sorted.size() - 1, rank > 0 ? rank - 1 : 0)];
}

void printBench(const RenderRun& run, FILE* out) {
  const std::vector<FrameTiming>& t = run.timings;
  double total = 0, cpuTotal = 0;
  std::vector<double> wall, cpu;
  for (const FrameTiming& f : t) {
    total += f.ms;
    cpuTotal += f.cpuMs;
    wall.push_back(f.ms);
    cpu.push_back(f.cpuMs);
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  fprintf(out, "frames: %zu timed in %.3f s: %.1f frames per second\n", t.size(), total / 1000,
          total > 0 ? t.size() * 1000.0 / total : 0.0);
  // CPU time counts only this process's work, so it holds when other programs share the machine.
  fprintf(out, "cpu: %.3f s: %.1f frames per second of CPU time\n", cpuTotal / 1000,
          cpuTotal > 0 ? t.size() * 1000.0 / cpuTotal : 0.0);
  fprintf(out, "frame times (ms):  median %7.3f  99th %7.3f  max %7.3f  (wall clock)\n", percentile(wall, 0.5),
          percentile(wall, 0.99), wall.empty() ? 0.0 : wall.back());
  fprintf(out, "                   median %7.3f  99th %7.3f  max %7.3f  (CPU)\n", percentile(cpu, 0.5),
          percentile(cpu, 0.99), cpu.empty() ? 0.0 : cpu.back());
  std::vector<FrameTiming> slowest = t;
  std::sort(slowest.begin(), slowest.end(), [](const FrameTiming& a, const FrameTiming& b) { return a.ms > b.ms; });
  fprintf(out, "slowest frames:\n");
  for (size_t i = 0; i < slowest.size() && i < 5; ++i)
    fprintf(out, "  %8.3f ms  (CPU %8.3f ms)  frame %6d  %s step %d\n", slowest[i].ms, slowest[i].cpuMs,
            slowest[i].frame, sceneName(slowest[i].scene), slowest[i].step);
  fprintf(out, "per scene:\n");
  for (int s = 0; s < sceneCount; ++s) {
    double sum = 0, cpuSum = 0, worst = 0;
    int n = 0;
    for (const FrameTiming& f : t)
      if (f.scene == s) {
        sum += f.ms;
        cpuSum += f.cpuMs;
        worst = std::max(worst, f.ms);
        ++n;
      }
    if (n == 0) continue;
    fprintf(out, "  %-18s %5d frames  %9.1f fps  %9.1f fps of CPU  slowest %7.3f ms\n", sceneTable[s].name, n,
            sum > 0 ? n * 1000.0 / sum : 0.0, cpuSum > 0 ? n * 1000.0 / cpuSum : 0.0, worst);
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

// Every output is made (under its temporary name) before the first frame, so a name that cannot
// be written fails at once rather than after minutes of rendering.
Failure openOutputs(RenderRun& run, FILE* standardOutput) {
  const RenderOptions& o = *run.options;
  int w = run.outWidth, h = run.outHeight;
  Failure failed;
  // The sheet and the soundtrack are written only after the last frame; whether their names can be
  // written is known now.
  for (const std::string* later : {&o.sheetPath, &o.audioPath}) {
    OutputFile probe;
    if (!later->empty() && (failed = probe.begin(*later, false))) return failed;
  }
  if (!o.outDir.empty() && (failed = run.png.open(o.outDir, 6))) return failed;
  if (!o.y4mPath.empty()) {
    run.writeY4m = true;
    if (o.y4mPath == "-") {
      Y4mFormat format;
      format.width = w;
      format.height = h;
      format.chroma = o.y4m444 ? "444" : "420jpeg";
      if ((failed = run.y4m.start(standardOutput, "standard output", format))) return failed;
    } else if ((failed = run.y4m.open(o.y4mPath, w, h, 30, o.y4m444))) {
      return failed;
    }
  }
  if (!o.mp4Path.empty() && (failed = run.mp4.start(o.mp4Path, w, h, w > frameWidth || h > frameHeight)))
    return failed;
  if (!o.flashReportPath.empty() && (failed = run.flashReport.begin(o.flashReportPath, true, standardOutput)))
    return failed;
  return {};
}

// After the last frame: the files that are complete only now.
Failure finishOutputs(RenderRun& run) {
  const RenderOptions& o = *run.options;
  Failure failed;
  if (run.writeY4m && (failed = run.y4m.close())) return failed;
  if (!o.sheetPath.empty() && (failed = run.sheet.write(o.sheetPath))) return failed;
  int64_t first = run.firstInRange < 0 ? 0 : run.firstInRange;
  std::string wavPath = o.audioPath;
  OutputFile mp4Sound;  // the soundtrack ffmpeg muxes when no WAV was asked for
  if (wavPath.empty() && !o.mp4Path.empty()) {
    if ((failed = mp4Sound.begin(o.mp4Path + ".wav", false))) return failed;
    wavPath = mp4Sound.temporary;
  }
  if (!wavPath.empty() && (failed = writeSoundtrackFile(wavPath, first, run.inRange, audioProgress, &run)))
    return failed;
  if (!o.mp4Path.empty() && (failed = run.mp4.finish(wavPath))) return failed;
  if (!o.flashReportPath.empty()) {
    std::string json = flashReportJson(run.flashStretches, run.fromMs / 1000.0, run.lastInRangeMs / 1000.0,
                                       o.reduceFlashes);
    if (fputs(json.c_str(), run.flashReport.file) < 0)
      return failure(1, "cannot write %s: %s\n", o.flashReportPath.c_str(), strerror(errno));
    if ((failed = run.flashReport.commit())) return failed;
  }
  return {};
}

} // namespace

int renderDemo(const RenderOptions& options) {
  RenderRun run;
  run.options = &options;
  run.fromMs = (int32_t)std::ceil(options.from * 1000);
  run.toMs = options.to >= 0 ? (int32_t)std::floor(options.to * 1000) : -1;
  run.timelineSeconds = timelineSeconds();
  // The last frame comes a little after the scene table's total, when the closing scene notices
  // its end; a start beyond that and a few frames' slack can only render nothing.
  if (options.from > run.timelineSeconds + 4) {
    fprintf(stderr, "zubrender: --from %g is beyond the end of the demo (%.1f s)\n", options.from, run.timelineSeconds);
    return 2;
  }
  layOutFrame(run);
  run.progressOnTerminal = isatty(2);
  if (options.bench) run.timings.reserve(10000);
  installInterruptCleanup();

  // The demo's lines go to standard output. --quiet and --bench send them nowhere, and a video on
  // standard output sends them to standard error; the real standard output is kept for the video
  // and the report. Pointing descriptor 1 elsewhere also tells a fatal message that nobody reads
  // standard output, so it goes to standard error as well.
  if (options.y4mPath == "-" && isatty(1)) {
    fprintf(stderr, "zubrender: --y4m - would write the video onto the terminal; pipe it into a program\n");
    return 2;
  }
  FILE* standardOutput = stdout;
  bool silent = options.quiet || options.bench;
  bool streamOut = options.y4mPath == "-" || options.flashReportPath == "-";
  if (silent || streamOut) {
    standardOutput = divertStandardOutput(silent ? "/dev/null" : "stderr");
    if (!standardOutput) {
      fprintf(stderr, "zubrender: cannot redirect standard output: %s\n", strerror(errno));
      return 1;
    }
  }
  if (Failure failed = openOutputs(run, standardOutput)) {
    fprintf(stderr, "zubrender: %s", failed.message.c_str());
    return 1;
  }

  midasUseBackend(MidasBackend::Silent);
  clockUseVirtual(0);
  demoRandReset();
  run.started = run.lastProgress = std::chrono::steady_clock::now();
  int status;
  try {
    DemoSettings settings;
    settings.reduceFlashes = options.reduceFlashes;
    settings.lossyVideo = !options.mp4Path.empty();
    settings.keepMarks = false; // it never jumps back
    status = runDemo(ptc::Backend::Memory, onFrame, &run, settings);
  } catch (const ptc::DynamicError& e) {
    fprintf(stderr, "%s\n", e.message());
    return 1;
  }
  fflush(stdout);
  showProgress(run, run.lastSeconds, run.lastScene, run.lastStep, true);
  if (!run.failure && run.inRange == 0) {
    fprintf(stderr, "zubrender: --from %g is beyond the end of the demo (%.1f s)\n", options.from, run.lastSeconds);
    return 2;
  }
  if (!run.failure) run.failure = finishOutputs(run);
  if (run.failure) {
    fprintf(stderr, "zubrender: %s", run.failure.message.c_str());
    return 1;
  }
  if (options.bench) printBench(run, standardOutput);
  if (!options.outDir.empty())
    fprintf(stderr, "zubrender: wrote %d PNG frame%s to %s\n", run.png.written, run.png.written == 1 ? "" : "s",
            options.outDir.c_str());
  if (standardOutput != stdout) fflush(standardOutput);
  return status;
}

} // namespace zub
