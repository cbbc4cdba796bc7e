// zubdemo: the demo. Takes no arguments; reads its data relative to the working directory.
#include <cstdio>

#include "core/portable.h"
#include "music/midas.h"
#include "shell/demo_app.h"
#include "platform/ptc.h"

int main() {
  // Line-buffered so the demo's lines and any library messages keep their order in a log.
  zub::lineBufferedStdout();
  ptc::useBackend(ptc::Backend::Sdl);
  midasUseBackend(MidasBackend::Sdl);
  try {
    return runDemo();
  } catch (const ptc::DynamicError& error) {
    fprintf(stderr, "%s\n", error.message());
    return 1;
  }
}
