// What the system files (os_services_posix.cpp, os_services_windows.cpp) share: the registry of
// files in the making, in fixed storage a signal handler can walk, and making a folder.
#include "capture/os_services.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/stat.h>

#include "core/portable.h"

namespace zub {

namespace {

const int maxTemporaries = 8;
const int maxPathBytes = 4096;
char temporaryNames[maxTemporaries][maxPathBytes];
volatile sig_atomic_t temporaryUsed[maxTemporaries];

} // namespace

void registerTemporary(const std::string& path) {
  if (path.size() >= (size_t)maxPathBytes) return;
  for (int i = 0; i < maxTemporaries; ++i)
    if (!temporaryUsed[i]) {
      memcpy(temporaryNames[i], path.c_str(), path.size() + 1);
      temporaryUsed[i] = 1;
      return;
    }
}

void forgetTemporary(const std::string& path) {
  for (int i = 0; i < maxTemporaries; ++i)
    if (temporaryUsed[i] && path == temporaryNames[i]) temporaryUsed[i] = 0;
}

void removeTemporaries(int (*removeFile)(const char* path)) {
  for (int i = 0; i < maxTemporaries; ++i)
    if (temporaryUsed[i]) {
      temporaryUsed[i] = 0;
      removeFile(temporaryNames[i]);
    }
}

bool makeFolder(const std::string& path, std::string& error) {
  if (makeFolder(path.c_str()) == 0) return true;
  int reason = errno;
  struct stat info;
  if (reason == EEXIST && stat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == S_IFDIR) return true;
  error = "cannot create folder " + path + ": " + strerror(reason == EEXIST ? ENOTDIR : reason);
  return false;
}

} // namespace zub
