// The one way the demo stops on a fatal condition: the message goes to standard output exactly as
// it always did, and also to standard error when standard output is not a terminal (redirected,
// piped or silenced), so whoever started the program sees why it stopped. A program whose output
// reaches nobody (zubdemo.exe double-clicked) also shows it in a message box.
#pragma once
#include <cstdarg>
#include <string>

#include "core/failure.h"

namespace zub {

// Prints the printf-style message as described above, then exits with `status`.
[[noreturn]] void fatal(int status, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Stops on a failure a loader or operation reported: its message, its status.
[[noreturn]] void fatal(const Failure& failure);

// The printing half of fatal, for callers that unwind instead of exiting.
void printFatal(const char* format, va_list args);

// From now on every fatal message also opens a message box titled `program` (on Windows; elsewhere
// nothing changes). For a program whose standard output and standard error reach nobody.
void fatalInMessageBox(const char* program);

// That box for a message printed outside fatal (a usage or data-lookup error); nothing unless asked for.
void showFatalBox(const std::string& message);

} // namespace zub
