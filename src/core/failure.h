// Failure: how a loader or operation tells its caller that it failed and why. It never prints or
// exits; the program decides whether to stop on it, through zub::fatal, and then prints exactly
// this message and exits with this status.
#pragma once
#include <cstdarg>
#include <string>

namespace zub {

struct Failure {
  bool failed = false;  // false: the operation succeeded and the rest is unused
  int status = 0;       // exit status of a program that stops on this failure
  std::string message;  // the text it then prints, newline included; empty when a library printed its own
  bool standardErrorOnly = false; // printed on standard error alone (the video decoder's own messages)

  explicit operator bool() const { return failed; }
};

// printf-style formatting into a string, for messages carried to whoever reports them.
std::string formatText(const char* format, va_list args);

// A failure with a printf-style message.
Failure failure(int status, const char* format, ...) __attribute__((format(printf, 2, 3)));

} // namespace zub
