// zubassets: generates the demo's asset pack procedurally and deterministically: the pictures,
// the LightWave objects and the music module. The clip is rendered and encoded separately
// (scripts/make-assets.sh).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "clip.h"
#include "core/version.h"
#include "music/module_maker.h"
#include "objects.h"
#include "pictures.h"

namespace {

bool makeFolder(const std::string& path) { return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }

int usage(FILE* out, int status) {
  fprintf(out,
          "usage: zubassets [--out DIR] [--clip-frames FILE.y4m] [--version]\n"
          "Writes the demo's asset pack (pictures, objects, music.dat) into DIR (default: data).\n"
          "--clip-frames also renders the frames of the video clip as a Y4M video for the encoder.\n"
          "example: zubassets --out data --clip-frames /tmp/guns.y4m\n");
  return status;
}

bool writeBytes(const std::string& path, const std::string& bytes, std::string& error) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || fclose(f) != 0) {
    error = "cannot write " + path + ": " + strerror(errno);
    return false;
  }
  return true;
}

} // namespace

int main(int argc, char** argv) {
  std::string out = "data", clipFrames;
  for (int i = 1; i < argc; ++i) {
    if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) return usage(stdout, 0);
    if (!strcmp(argv[i], "--version")) {
      printf("zubassets %s\n", ZUB_VERSION);
      return 0;
    }
    if (!strcmp(argv[i], "--out") && i + 1 < argc) {
      out = argv[++i];
      continue;
    }
    if (!strcmp(argv[i], "--clip-frames") && i + 1 < argc) {
      clipFrames = argv[++i];
      continue;
    }
    fprintf(stderr, "zubassets: unknown argument '%s'\n", argv[i]);
    return usage(stderr, 2);
  }
  if (!makeFolder(out) || !makeFolder(out + "/dat")) {
    fprintf(stderr, "zubassets: cannot create %s/dat: %s\n", out.c_str(), strerror(errno));
    return 1;
  }
  // Bitmaps print their allocations; the generator keeps standard output for its own summary.
  FILE* quiet = freopen("/dev/null", "w", stdout);
  (void)quiet;
  std::string error;
  int pictures = assets::writePictures(out, error);
  if (pictures < 0 || !assets::writeObjects(out, error) ||
      !writeBytes(out + "/music.dat", zub::makeDemoModule(), error) ||
      (!clipFrames.empty() && !assets::writeClipFrames(clipFrames, error))) {
    fprintf(stderr, "zubassets: %s\n", error.c_str());
    return 1;
  }
  fprintf(stderr, "zubassets: wrote %d pictures, the objects and music.dat to %s\n", pictures, out.c_str());
  return 0;
}
