// zubrender: the demo rendered offline to pictures or video, deterministically. See --help.
#include <cstdio>
#include <string>

#include "core/datafile.h"
#include "shell/data_dir.h"
#include "shell/offline_render.h"

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  zub::RenderOptions options;
  std::string error;
  int status = zub::parseRenderArgs(argc, argv, options, error);
  if (status >= 0) {
    if (status != 0) fprintf(stderr, "zubrender: %s\n(zubrender --help lists the options)\n", error.c_str());
    return status;
  }
  std::string dataDir;
  if (!zub::findDataDir(options.dataDir, "zubrender", dataDir, error)) {
    fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  zub::setDataDir(dataDir);
  return zub::renderDemo(options);
}
