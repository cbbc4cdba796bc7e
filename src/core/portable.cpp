#include "core/portable.h"

#include <cstdio>
#include <sys/stat.h>
#ifdef _WIN32
#include <direct.h>
#endif

namespace zub {

#ifdef _WIN32
const char* const nullDevice = "NUL";
int makeFolder(const char* path, unsigned) { return _mkdir(path); }
void lineBufferedStdout() { setvbuf(stdout, nullptr, _IONBF, 0); }
#else
const char* const nullDevice = "/dev/null";
int makeFolder(const char* path, unsigned mode) { return mkdir(path, (mode_t)mode); }
void lineBufferedStdout() { setvbuf(stdout, nullptr, _IOLBF, 0); }
#endif

} // namespace zub
