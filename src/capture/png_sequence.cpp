// Numbered PNG pictures in a folder.
#include "capture/png_sequence.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "capture/os_services.h"
#include "capture/output_file.h"
#include "image/image_writers.h"

namespace zub {

Failure PngSequence::open(const std::string& dir, int nameDigits) {
  folder = dir;
  digits = nameDigits;
  written = 0;
  if (Failure made = makeFolder(folder)) return made;
  OutputFile probe;
  if (probe.begin(folder + "/frame.png", false))
    return failure(1, "cannot write into folder %s: %s\n", folder.c_str(), strerror(errno));
  return {};
}

Failure PngSequence::write(int number, const uint32_t* pixels, int width, int height) {
  char name[40];
  snprintf(name, sizeof name, "/frame_%0*d.png", digits, number);
  OutputFile out;
  if (Failure begun = out.begin(folder + name, false)) return begun;
  if (Failure wrote = writePng(out.temporary, pixels, width, height)) return out.asTarget(wrote);
  if (Failure committed = out.commit()) return committed;
  ++written;
  return {};
}

} // namespace zub
