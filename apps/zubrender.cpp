// zubrender: the demo rendered offline to pictures, video and sound, deterministically. The
// options are a table: each names its value and how it is checked, so adding one is one line.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "capture/os_services.h"
#include "common/cli.h"
#include "core/datafile.h"
#include "core/portable.h"
#include "shell/data_dir.h"
#include "shell/offline_render.h"

namespace {

const char* const usage =
    "usage: zubrender [options]\n"
    "Renders the demo offline on a virtual clock (30 frames per second, deterministic).\n"
    "The data is read from --data DIR, else the working folder when it holds it, else the folder\n"
    "data beside the program, else ../share/zubdemo beside it.\n"
    "Options take their value as --opt VALUE or --opt=VALUE; -- ends the options.\n"
    "\n"
    "  --out DIR        write frames as DIR/frame_NNNNNN.png (NNNNNN: frame number)\n"
    "  --from S         first second of the timeline to write (default 0)\n"
    "  --to S           last second of the timeline to write; rendering stops there (default: the end)\n"
    "  --every N        write every Nth frame as PNG (default 1)\n"
    "  --scale K        enlarge PNG, Y4M and MP4 frames K times, nearest neighbour (1 to 8, default 1)\n"
    "  --size WxH       PNG, Y4M and MP4 frames of W x H pixels (even, 16x16 to 7680x4320): the picture\n"
    "                   enlarged by nearest neighbour to the largest size that fits, 4:3 kept, centred\n"
    "                   on black (for video sites: --size 1920x1080 or --size 3840x2160)\n"
    "  --integer        with --size: enlarge by a whole factor only, every pixel equally wide\n"
    "  --y4m FILE       write every frame from --from to --to as one YUV4MPEG2 video, 30 fps;\n"
    "                   - writes it to standard output\n"
    "  --chroma 420|444 chroma of the Y4M video (default 420)\n"
    "  --sheet FILE.png contact sheet: the middle frame of each scene step from --from to --to, labelled\n"
    "  --audio FILE.wav the soundtrack of the written frames (48 kHz stereo 16-bit), same length\n"
    "  --mp4 FILE       frames and soundtrack as one H.264/AAC video (needs ffmpeg installed)\n"
    "  --flash-report FILE  the stretches of --from to --to that break the general-flash or red-flash\n"
    "                   threshold (more than three flashes in one second), as JSON; - writes it to\n"
    "                   standard output. With --reduce-flashes it reports what the limited frames do\n"
    "  --reduce-flashes hold back every flash that would break the thresholds, in every output (frames\n"
    "                   outside the flashing stretches are unchanged)\n"
    "  --bench          render as fast as possible without output; print frames per second of wall\n"
    "                   clock and of CPU time, the median, 99th percentile and slowest frame times,\n"
    "                   and the slowest frames with their scene and step (--from/--to choose the frames)\n"
    "  --quiet          silence the demo's own standard output\n"
    "  --no-progress    no progress bar on standard error\n"
    "  --data DIR       the folder that holds the data (music.dat and dat/)\n"
    "  --help           this text\n"
    "  --version        the program's version\n"
    "\n"
    "Every file is written under a temporary name beside it and renamed when complete (a device or a\n"
    "named pipe, such as /dev/null, is written directly); Ctrl-C removes the partial files. Exit\n"
    "status: 0 done, 1 the demo or an output failed, 2 bad arguments, 130/143 interrupted.\n"
    "\n"
    "Examples:\n"
    "  cd data && ../build/zubrender --out /tmp/frames --from 2 --to 4 --every 5 --scale 2\n"
    "  cd data && ../build/zubrender --quiet --y4m /tmp/demo.y4m && ffplay /tmp/demo.y4m\n"
    "  cd data && ../build/zubrender --quiet --y4m - | ffplay -\n"
    "  cd data && ../build/zubrender --quiet --sheet /tmp/sheet.png\n"
    "  cd data && ../build/zubrender --quiet --mp4 /tmp/demo.mp4\n"
    "  cd data && ../build/zubrender --quiet --size 1920x1080 --mp4 /tmp/demo-1080p.mp4\n"
    "  cd data && ../build/zubrender --bench --from 60 --to 90\n"
    "  cd data && ../build/zubrender --quiet --flash-report -\n"
    "  cd data && ../build/zubrender --quiet --reduce-flashes --mp4 /tmp/demo-safe.mp4\n";

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

using Setter = bool (*)(zub::RenderOptions& o, const char* value, std::string& error);

struct OptionSpec {
  const char* name;
  bool takesValue;
  Setter set;
};

bool seconds(const char* name, const char* value, double& out, std::string& error) {
  if (parseNumber(value, out) && out >= 0) return true;
  error = std::string(name) + " takes seconds (a number of 0 or more), not '" + value + "'";
  return false;
}

bool path(const char* name, const char* value, bool standardOutputAllowed, std::string& out, std::string& error) {
  if (*value == 0) {
    error = std::string(name) + " needs a non-empty value";
    return false;
  }
  if (!standardOutputAllowed && strcmp(value, "-") == 0) {
    error = std::string(name) + " cannot write to standard output; give a file name (./- for a file named -)";
    return false;
  }
  out = value;
  return true;
}

const OptionSpec options[] = {
    {"--out", true, [](zub::RenderOptions& o, const char* v, std::string& e) { return path("--out", v, false, o.outDir, e); }},
    {"--y4m", true, [](zub::RenderOptions& o, const char* v, std::string& e) { return path("--y4m", v, true, o.y4mPath, e); }},
    {"--sheet", true, [](zub::RenderOptions& o, const char* v, std::string& e) { return path("--sheet", v, false, o.sheetPath, e); }},
    {"--audio", true, [](zub::RenderOptions& o, const char* v, std::string& e) { return path("--audio", v, false, o.audioPath, e); }},
    {"--mp4", true, [](zub::RenderOptions& o, const char* v, std::string& e) { return path("--mp4", v, false, o.mp4Path, e); }},
    {"--flash-report", true,
     [](zub::RenderOptions& o, const char* v, std::string& e) { return path("--flash-report", v, true, o.flashReportPath, e); }},
    {"--reduce-flashes", false, [](zub::RenderOptions& o, const char*, std::string&) { return o.reduceFlashes = true; }},
    {"--from", true, [](zub::RenderOptions& o, const char* v, std::string& e) { return seconds("--from", v, o.from, e); }},
    {"--to", true, [](zub::RenderOptions& o, const char* v, std::string& e) { return seconds("--to", v, o.to, e); }},
    {"--every", true,
     [](zub::RenderOptions& o, const char* v, std::string& e) {
       if (parseCount(v, 1, 1000000, o.every)) return true;
       e = std::string("--every takes a whole number of 1 or more, not '") + v + "'";
       return false;
     }},
    {"--scale", true,
     [](zub::RenderOptions& o, const char* v, std::string& e) {
       if (parseCount(v, 1, 8, o.scale)) return true;
       e = std::string("--scale takes a whole number from 1 to 8, not '") + v + "'";
       return false;
     }},
    {"--size", true,
     [](zub::RenderOptions& o, const char* v, std::string& e) {
       int w = 0, h = 0, used = 0;
       if (sscanf(v, "%dx%d%n", &w, &h, &used) == 2 && v[used] == 0 && w >= 16 && h >= 16 && w <= 7680 &&
           h <= 4320 && w % 2 == 0 && h % 2 == 0) {
         o.sizeWidth = w;
         o.sizeHeight = h;
         return true;
       }
       e = std::string("--size takes even WxH from 16x16 to 7680x4320, such as 1920x1080, not '") + v + "'";
       return false;
     }},
    {"--integer", false, [](zub::RenderOptions& o, const char*, std::string&) { return o.integerScale = true; }},
    {"--chroma", true,
     [](zub::RenderOptions& o, const char* v, std::string& e) {
       if (strcmp(v, "420") && strcmp(v, "444")) {
         e = std::string("--chroma takes 420 or 444, not '") + v + "'";
         return false;
       }
       o.y4m444 = strcmp(v, "444") == 0;
       return true;
     }},
    {"--data", true,
     [](zub::RenderOptions& o, const char* v, std::string& e) {
       if ((o.dataDir = v).empty()) e = "--data needs a folder";
       return !o.dataDir.empty();
     }},
    {"--bench", false, [](zub::RenderOptions& o, const char*, std::string&) { return o.bench = true; }},
    {"--quiet", false, [](zub::RenderOptions& o, const char*, std::string&) { return o.quiet = true; }},
    {"--no-progress", false, [](zub::RenderOptions& o, const char*, std::string&) { return !(o.progress = false); }},
};

// Checks that need all the options at once.
bool consistent(const zub::RenderOptions& o, std::string& error) {
  if (o.to >= 0 && o.from > o.to) {
    error = "--from must not be after --to";
    return false;
  }
  bool writes = !o.outDir.empty() || !o.y4mPath.empty() || !o.sheetPath.empty() || !o.audioPath.empty() ||
                !o.mp4Path.empty() || !o.flashReportPath.empty();
  if (o.bench && writes) {
    error = "--bench writes nothing; leave out --out, --y4m, --sheet, --audio, --mp4 and --flash-report";
    return false;
  }
  if (!o.bench && !writes) {
    error = "nothing to do: give --out, --y4m, --sheet, --audio, --mp4, --flash-report or --bench";
    return false;
  }
  if (o.sizeWidth && o.scale != 1) {
    error = "--size and --scale both set the frame size; give one of them";
    return false;
  }
  if (o.integerScale && !o.sizeWidth) {
    error = "--integer needs --size";
    return false;
  }
  if (o.y4mPath == "-" && o.flashReportPath == "-") {
    error = "--y4m - and --flash-report - cannot both write to standard output";
    return false;
  }
  if (!o.mp4Path.empty() && zub::findProgram("ffmpeg").empty()) {
    error = "--mp4 needs ffmpeg, which is not installed (apt-get install ffmpeg)";
    return false;
  }
  return true;
}

// Returns -1 to go on, or the exit status (0 after --help, 2 after an error, with `error` saying why).
int parseArguments(int argc, char** argv, zub::RenderOptions& o, std::string& error) {
  zub::ArgReader args(argc, argv, true);
  for (zub::ArgReader::Kind kind; (kind = args.next()) != zub::ArgReader::End;) {
    if (kind == zub::ArgReader::Help) {
      fputs(usage, stdout);
      return 0;
    }
    if (kind == zub::ArgReader::Version) return zub::printVersion("zubrender");
    if (kind == zub::ArgReader::Operand) {
      error = "unexpected argument '" + args.arg() + "' (zubrender takes only options)";
      return 2;
    }
    const OptionSpec* spec = zub::findOption(options, args.name());
    if (!spec) {
      error = "unknown option '" + args.name() + "'";
      return 2;
    }
    const char* value;
    if (!args.value(spec->takesValue, value, error) || !spec->set(o, value, error)) return 2;
  }
  return consistent(o, error) ? -1 : 2;
}

} // namespace

int main(int argc, char** argv) {
  zub::lineBufferedStdout();
  zub::RenderOptions options;
  std::string error;
  int status = parseArguments(argc, argv, options, error);
  if (status >= 0) {
    return status == 0 ? 0 : zub::usageError("zubrender", error);
  }
  std::string dataDir;
  if (!zub::findDataDir(options.dataDir, "zubrender", dataDir, error)) {
    fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  zub::setDataDir(dataDir);
  return zub::renderDemo(options);
}
