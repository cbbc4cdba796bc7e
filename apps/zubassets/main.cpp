// zubassets: generates the demo's asset pack procedurally and deterministically: the pictures,
// the LightWave objects and the music module. The clip is rendered and encoded separately
// (scripts/make-assets.sh).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "capture/os_services.h"
#include "clip.h"
#include "common/cli.h"
#include "core/portable.h"
#include "arrangement.h"
#include "objects.h"
#include "pictures.h"
#include "scene_times.h"
#include "scenes/scene_table.h"

namespace {

const char* const usage =
    "usage: zubassets [--out DIR] [--clip-frames FILE.y4m] | --icons DIR | --scene-times | --version\n"
    "Generates the demo's asset pack, procedurally and the same bytes on every run, into DIR\n"
    "(default: assets-out, so the committed data/ is replaced only when asked for by name):\n"
    "  DIR/dat/*.jpg      the 26 pictures of the asset table\n"
    "  DIR/dat/*.lwo      the seven LightWave objects\n"
    "  DIR/default.jpg    the fallback picture\n"
    "  DIR/default.lwo    the fallback object\n"
    "  DIR/music.dat      the music module\n"
    "The video clip dat/guns.mpg is not written here: --clip-frames renders its frames as a Y4M\n"
    "video, and scripts/make-assets.sh encodes them with ffmpeg (and regenerates data/).\n"
    "--scene-times prints the second at which each scene starts, as the tune is written to it.\n"
    "--icons DIR writes the program's icon into DIR instead: zubdemo-N.png for N = 16 to 256, and\n"
    "zubdemo.ico (scripts/make-assets.sh puts them in packaging/icons).\n"
    "Options take their value as --opt VALUE or --opt=VALUE.\n"
    "\n"
    "Examples:\n"
    "  zubassets --out /tmp/pack --clip-frames /tmp/guns.y4m\n"
    "  zubassets --icons packaging/icons\n";

struct AssetOptions {
  std::string out = "assets-out", clipFrames, icons;
  bool sceneTimes = false;
};

struct OptionSpec {
  const char* name;
  std::string AssetOptions::*value;
};

const OptionSpec options[] = {
    {"--out", &AssetOptions::out}, {"--clip-frames", &AssetOptions::clipFrames}, {"--icons", &AssetOptions::icons}};

int usageError(const std::string& message) { return zub::usageError("zubassets", message); }

// Returns -1 to go on, or the exit status.
int parseArguments(int argc, char** argv, AssetOptions& o) {
  zub::ArgReader args(argc, argv, false);
  std::string error;
  for (zub::ArgReader::Kind kind; (kind = args.next()) != zub::ArgReader::End;) {
    if (kind == zub::ArgReader::Help) {
      fputs(usage, stdout);
      return 0;
    }
    if (kind == zub::ArgReader::Version) return zub::printVersion("zubassets");
    if (args.arg() == "--scene-times") {
      o.sceneTimes = true;
      continue;
    }
    const OptionSpec* spec = kind == zub::ArgReader::Option ? zub::findOption(options, args.name()) : nullptr;
    if (!spec) return usageError("unknown argument '" + args.arg() + "'");
    const char* value;
    if (!args.value(true, value, error)) return usageError(error);
    if (*value == 0) return usageError(args.name() + " needs a non-empty value");
    o.*(spec->value) = value;
  }
  return -1;
}

zub::Failure writeBytes(const std::string& path, const std::string& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fclose(f) != 0)
    return zub::failure(1, "cannot write %s: %s\n", path.c_str(), strerror(errno));
  return {};
}

} // namespace

int main(int argc, char** argv) {
  AssetOptions o;
  int status = parseArguments(argc, argv, o);
  if (status >= 0) return status;
  const std::string& out = o.out;
  const std::string& clipFrames = o.clipFrames;
  if (o.sceneTimes) {
    const assets::TimelineTimes times = assets::timelineTimes();
    for (int s = 0; s < sceneCount; ++s) printf("%.3f %s\n", times.stepStarts[(size_t)s][0], sceneTable[s].name);
    printf("%.3f end\n", times.end);
    return 0;
  }
  if (!o.icons.empty()) {
    FILE* quiet = freopen(zub::nullDevice, "w", stdout); // the icons' bitmaps print their allocations
    (void)quiet;
    zub::Failure failed = zub::makeFolder(o.icons);
    if (!failed) failed = assets::writeIcons(o.icons);
    if (failed) {
      fprintf(stderr, "zubassets: %s", failed.message.c_str());
      return 1;
    }
    fprintf(stderr, "zubassets: wrote the icons to %s\n", o.icons.c_str());
    return 0;
  }
  zub::Failure failed = zub::makeFolder(out);
  if (!failed) failed = zub::makeFolder(out + "/dat");
  if (failed) {
    fprintf(stderr, "zubassets: %s", failed.message.c_str());
    return 1;
  }
  // Bitmaps print their allocations; the generator keeps standard output for its own summary.
  FILE* quiet = freopen(zub::nullDevice, "w", stdout);
  (void)quiet;
  int pictures = 0;
  failed = assets::writePictures(out, pictures);
  if (!failed) failed = assets::writeObjects(out);
  if (!failed) failed = writeBytes(out + "/music.dat", assets::makeDemoModule());
  if (!failed && !clipFrames.empty()) failed = assets::writeClipFrames(clipFrames);
  if (failed) {
    fprintf(stderr, "zubassets: %s", failed.message.c_str());
    return 1;
  }
  fprintf(stderr, "zubassets: wrote %d pictures, the objects and music.dat to %s\n", pictures, out.c_str());
  return 0;
}
