// zubdemo: the demo as a desktop program. Options choose only how it is shown (see --help); the
// data is read from the folder found by the data lookup.
#include <cstdio>
#include <string>

#include "core/clock.h"
#include "core/datafile.h"
#include "core/fatal.h"
#include "core/portable.h"
#include "common/cli.h"
#include "music/midas.h"
#include "platform/ptc.h"
#include "shell/data_dir.h"
#include "shell/demo_app.h"
#include "shell/demo_options.h"
#include "shell/present_stats.h"
#include "shell/stop_signal.h"
#include "capture/os_services.h"

namespace {

void recordPresent(DemoApp& app, void* stats) {
  ((zub::PresentStats*)stats)->record(*app.pacer, zub::clockNow());
}

} // namespace

int main(int argc, char** argv) {
  // On Windows the demo has no console of its own: started from a command prompt its lines go there,
  // double-clicked they reach nobody, so a fatal error is shown in a message box.
  if (!zub::reachParentConsole()) zub::fatalInMessageBox("zubdemo");
  // Line-buffered so the demo's lines and any library messages keep their order in a log.
  zub::lineBufferedStdout();
  // A jump back frees a whole timeline's pictures: their memory must go back to the system.
  zub::mapLargeBlocksApart();
  zub::DemoOptions options;
  std::string error;
  switch (zub::parseDemoArgs(argc, argv, options, error)) {
  case zub::DemoAction::Help:
    fputs(zub::demoUsage().c_str(), stdout);
    return 0;
  case zub::DemoAction::Version:
    return zub::printVersion("zubdemo");
  case zub::DemoAction::Error: {
    int status = zub::usageError("zubdemo", error);
    zub::showFatalBox("zubdemo: " + error);
    return status;
  }
  case zub::DemoAction::Run:
    break;
  }
  std::string dataDir;
  if (!zub::findDataDir(options.dataDir, "zubdemo", dataDir, error)) {
    fprintf(stderr, "%s\n", error.c_str());
    zub::showFatalBox(error);
    return 1;
  }
  zub::setDataDir(dataDir);
  if (options.quiet && !zub::divertStandardOutput("/dev/null")) {
    fprintf(stderr, "zubdemo: cannot silence standard output\n");
    return 1;
  }
  zub::catchStopSignals();

  ptc::Presentation presentation;
  presentation.fullscreen = options.fullscreen;
  presentation.windowWidth = options.windowWidth;
  presentation.windowHeight = options.windowHeight;
  presentation.integerScale = options.integerScale;
  ptc::setPresentation(presentation);
  midasUseBackend(options.sound ? MidasBackend::Sdl : MidasBackend::Silent);
  zub::PresentStats stats;
  try {
    DemoSettings settings;
    settings.notice = options.warning;
    settings.reduceFlashes = options.reduceFlashes;
    settings.startLater = options.startLater;
    settings.start = StartPoint{options.startScene, options.startMs};
    int status = runDemo(ptc::Backend::Sdl, options.stats ? recordPresent : nullptr, &stats, settings);
    if (options.stats) stats.print(stderr);
    return zub::stopSignal() ? 128 + zub::stopSignal() : status;
  } catch (const ptc::DynamicError& error) {
    zub::fatal(1, "%s\n", error.message());
  }
}
