#include "core/portable.h"

#include <sys/stat.h>
#ifdef _WIN32
#include <direct.h>
#endif

namespace zub {

#ifdef _WIN32
const char* const nullDevice = "NUL";
int makeFolder(const char* path, unsigned) { return _mkdir(path); }
#else
const char* const nullDevice = "/dev/null";
int makeFolder(const char* path, unsigned mode) { return mkdir(path, (mode_t)mode); }
#endif

} // namespace zub
