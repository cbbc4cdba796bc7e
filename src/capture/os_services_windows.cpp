// The Windows system calls of the offline tools. No helper program is started here (the MP4
// output says it is not supported), so there is no child to end on an interrupt.
#include "capture/os_services.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>

namespace zub {

namespace {

void cleanUp() { removeTemporaries(::remove); }

extern "C" void onInterrupt(int signal) {
  cleanUp();
  _exit(128 + signal);
}

} // namespace

void installInterruptCleanup() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  // An exit from deep inside the demo (a fatal load error) must not leave partial files either.
  atexit(cleanUp);
  signal(SIGINT, onInterrupt);
  signal(SIGTERM, onInterrupt);
}

Failure replaceFile(const std::string& from, const std::string& target) {
  if (MoveFileExA(from.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) return {};
  return failure(1, "cannot write %s: %s\n", target.c_str(), strerror(EACCES));
}

bool isSpecialFile(const std::string& path) {
  // The devices a user names as outputs; Windows finds them in any folder and with any extension.
  size_t slash = path.find_last_of("\\/:");
  std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  name = name.substr(0, name.find('.'));
  for (char& c : name) c = (char)tolower((unsigned char)c);
  return name == "nul" || name == "con";
}

int processId() { return _getpid(); }

std::string findProgram(const char*) { return ""; }

Failure startProcess(const std::vector<std::string>& argv, bool, ChildProcess&) {
  return failure(1, "running %s through a pipe is not supported on Windows\n", argv[0].c_str());
}

int finishProcess(ChildProcess& child, std::string& lastLines) {
  // startProcess never starts one: there is nothing to wait for or to read back.
  if (child.input) fclose(child.input);
  child.input = nullptr;
  child.pid = -1;
  lastLines.clear();
  return -1;
}

void stopProcess(ChildProcess& child) {
  std::string ignored;
  finishProcess(child, ignored);
}

double processCpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto ticks = [](const FILETIME& t) { return ((uint64_t)t.dwHighDateTime << 32) | t.dwLowDateTime; };
  return (double)(ticks(kernel) + ticks(user)) * 1e-7;
}

double processAgeSeconds() {
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& t) { return ((uint64_t)t.dwHighDateTime << 32) | t.dwLowDateTime; };
  return (double)(int64_t)(ticks(now) - ticks(created)) * 1e-7;
}

void binaryMode(FILE* stream) {
  fflush(stream);
  _setmode(_fileno(stream), _O_BINARY);
}

FILE* divertStandardOutput(const char* target) {
  fflush(stdout);
  int saved = _dup(1);
  int replacement = strcmp(target, "stderr") == 0 ? _dup(2) : _open("NUL", _O_WRONLY);
  if (saved < 0 || replacement < 0 || _dup2(replacement, 1) != 0) return nullptr;
  _close(replacement);
  return _fdopen(saved, "wb");
}

} // namespace zub
