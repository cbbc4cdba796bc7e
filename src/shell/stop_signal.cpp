#include "shell/stop_signal.h"

#include <csignal>

namespace zub {

namespace {

volatile std::sig_atomic_t caught = 0;

extern "C" void onStopSignal(int signal) { caught = signal; }

} // namespace

void catchStopSignals() {
  std::signal(SIGINT, onStopSignal);
  std::signal(SIGTERM, onStopSignal);
}

int stopSignal() { return caught; }

} // namespace zub
