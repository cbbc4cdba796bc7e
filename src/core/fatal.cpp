#include "core/fatal.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace zub {

void printFatal(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  vfprintf(stdout, format, args);
  fflush(stdout);
  if (!isatty(fileno(stdout))) {
    vfprintf(stderr, format, copy);
    fflush(stderr);
  }
  va_end(copy);
}

void fatal(int status, const char* format, ...) {
  va_list args;
  va_start(args, format);
  printFatal(format, args);
  va_end(args);
  exit(status);
}

void fatal(const Failure& failure) {
  if (failure.standardErrorOnly) {
    fflush(stdout);
    fputs(failure.message.c_str(), stderr);
    exit(failure.status);
  }
  fatal(failure.status, "%s", failure.message.c_str());
}

} // namespace zub
