// Numbered PNG pictures in a folder.
#include "capture/png_sequence.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "capture/os_services.h"
#include "capture/output_file.h"
#include "image/image_writers.h"

namespace zub {

bool PngSequence::open(const std::string& dir, int nameDigits, std::string& error) {
  folder = dir;
  digits = nameDigits;
  written = 0;
  if (!makeFolder(folder, error)) return false;
  OutputFile probe;
  if (!probe.begin(folder + "/frame.png", false, error)) {
    error = "cannot write into folder " + folder + ": " + strerror(errno);
    return false;
  }
  return true;
}

bool PngSequence::write(int number, const uint32_t* pixels, int width, int height, std::string& error) {
  char name[40];
  snprintf(name, sizeof name, "/frame_%0*d.png", digits, number);
  OutputFile out;
  if (!out.begin(folder + name, false, error)) return false;
  if (!writePng(out.temporary, pixels, width, height, error)) {
    // The reason, under the name the user knows.
    error = "cannot write " + out.target + error.substr(std::string("cannot write " + out.temporary).size());
    return false;
  }
  if (!out.commit(error)) return false;
  ++written;
  return true;
}

} // namespace zub
