// The one way the demo stops on a fatal condition: the message goes to standard output exactly as
// it always did, and also to standard error when standard output is not a terminal (redirected,
// piped or silenced), so whoever started the program sees why it stopped.
#pragma once
#include <cstdarg>

#include "core/failure.h"

namespace zub {

// Prints the printf-style message as described above, then exits with `status`.
[[noreturn]] void fatal(int status, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Stops on a failure a loader or operation reported: its message, its status.
[[noreturn]] void fatal(const Failure& failure);

// The printing half of fatal, for callers that unwind instead of exiting.
void printFatal(const char* format, va_list args);

} // namespace zub
