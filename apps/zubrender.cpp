// zubrender: the demo rendered offline to pictures or video, deterministically. See --help.
#include <cstdio>
#include <string>

#include "core/portable.h"
#include "shell/offline_render.h"

int main(int argc, char** argv) {
  zub::lineBufferedStdout();
  zub::RenderOptions options;
  std::string error;
  int status = zub::parseRenderArgs(argc, argv, options, error);
  if (status >= 0) {
    if (status != 0) fprintf(stderr, "zubrender: %s\n(zubrender --help lists the options)\n", error.c_str());
    return status;
  }
  return zub::renderDemo(options);
}
