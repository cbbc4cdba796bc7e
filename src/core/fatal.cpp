#include "core/fatal.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

namespace zub {

namespace {

const char* boxTitle = nullptr;

// Whether someone reads standard output on a terminal. Windows' isatty is true for every character
// device, the null device that --quiet points standard output at included: there it must be a console.
bool outputOnTerminal() {
#ifdef _WIN32
  DWORD mode;
  return GetConsoleMode((HANDLE)_get_osfhandle(fileno(stdout)), &mode) != 0;
#else
  return isatty(fileno(stdout));
#endif
}

#ifdef _WIN32
BOOL CALLBACK hideWindow(HWND window, LPARAM) {
  if (IsWindowVisible(window)) ShowWindow(window, SW_HIDE);
  return TRUE;
}
#endif

} // namespace

void fatalInMessageBox(const char* program) { boxTitle = program; }

void showFatalBox(const std::string& message) {
#ifdef _WIN32
  if (!boxTitle) return;
  std::string text = message;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  // The program is ending: its window (fullscreen, perhaps) goes, so it cannot cover the box.
  EnumThreadWindows(GetCurrentThreadId(), hideWindow, 0);
  MessageBoxA(nullptr, text.c_str(), boxTitle, MB_OK | MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND);
#else
  (void)message;
#endif
}

void printFatal(const char* format, va_list args) {
  va_list copy, boxed;
  va_copy(copy, args);
  va_copy(boxed, args);
  vfprintf(stdout, format, args);
  fflush(stdout);
  if (!outputOnTerminal()) {
    vfprintf(stderr, format, copy);
    fflush(stderr);
  }
  if (boxTitle) showFatalBox(formatText(format, boxed));
  va_end(copy);
  va_end(boxed);
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
    fflush(stderr);
    showFatalBox(failure.message);
    exit(failure.status);
  }
  fatal(failure.status, "%s", failure.message.c_str());
}

} // namespace zub
