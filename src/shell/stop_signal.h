// SIGINT and SIGTERM for the desktop program: caught, so that the demo ends through its frame loop
// as it does on Escape (the exit line, the tune faded out, the window closed), after which the
// program exits with 128 plus the signal's number, as shells expect.
#pragma once

namespace zub {

// Installs the handlers; before the window is made, so that the display library keeps them.
void catchStopSignals();
// The signal that asked the program to stop; 0 while none has.
int stopSignal();

} // namespace zub
