#include "core/portable.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace zub {

#ifdef _WIN32
const char* const nullDevice = "NUL";
int makeFolder(const char* path, unsigned) { return _mkdir(path); }
void lineBufferedStdout() { setvbuf(stdout, nullptr, _IONBF, 0); }

namespace {

// True when descriptor `fd` writes to something: a file, a pipe, a console or the null device.
bool connected(int fd) {
  intptr_t handle = _get_osfhandle(fd);
  // A program started without a console gets no handle (-1, or -2 from the C library, or 0).
  if (handle == -1 || handle == -2 || handle == 0) return false;
  return GetFileType((HANDLE)handle) != FILE_TYPE_UNKNOWN;
}

void reopen(FILE* stream, int fd, const char* device) {
  int opened = _open(device, _O_RDWR); // a console screen buffer wants read and write access
  if (opened < 0) return;
  if (opened != fd) {
    _dup2(opened, fd);
    _close(opened);
  }
  // The C library marks a stream that started without a handle as having no descriptor (and Wine's
  // freopen refuses such a stream), so it is tied to the descriptor directly.
  if (_fileno(stream) < 0) stream->_file = fd;
  clearerr(stream);
}

} // namespace

bool reachParentConsole() {
  bool out = connected(1), err = connected(2);
  if (out && err) return true;
  bool console = AttachConsole(ATTACH_PARENT_PROCESS) != 0;
  // Output nobody reads still needs a descriptor: --quiet moves descriptor 1 aside, a write must not fail.
  const char* device = console ? "CONOUT$" : "NUL";
  if (!out) reopen(stdout, 1, device);
  if (!err) reopen(stderr, 2, device);
  return out || console;
}
#else
const char* const nullDevice = "/dev/null";
int makeFolder(const char* path, unsigned mode) { return mkdir(path, (mode_t)mode); }
void lineBufferedStdout() { setvbuf(stdout, nullptr, _IOLBF, 0); }
bool reachParentConsole() { return true; }
#endif

void mapLargeBlocksApart() {
#if defined(__GLIBC__)
  // Setting the threshold fixes it: glibc no longer raises it when a mapped block is freed.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
}

void releaseFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

#ifdef _WIN32
QuietStandardOutput::QuietStandardOutput() {
  fflush(stdout);
  saved = _dup(1);
  const int null = _open(nullDevice, _O_WRONLY);
  if (saved >= 0 && null >= 0) _dup2(null, 1);
  if (null >= 0) _close(null);
}

QuietStandardOutput::~QuietStandardOutput() {
  if (saved < 0) return;
  fflush(stdout);
  _dup2(saved, 1);
  _close(saved);
}
#else
QuietStandardOutput::QuietStandardOutput() {
  fflush(stdout);
  saved = dup(1);
  const int null = open(nullDevice, O_WRONLY);
  if (saved >= 0 && null >= 0) dup2(null, 1);
  if (null >= 0) close(null);
}

QuietStandardOutput::~QuietStandardOutput() {
  if (saved < 0) return;
  fflush(stdout);
  dup2(saved, 1);
  close(saved);
}
#endif

} // namespace zub
