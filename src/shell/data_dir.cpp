#include "shell/data_dir.h"

#include <climits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#endif

#include "core/datafile.h"

namespace zub {

namespace {

bool isFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string absolute(const std::string& dir) {
  char resolved[PATH_MAX];
#ifdef _WIN32
  return _fullpath(resolved, dir.c_str(), sizeof resolved) ? std::string(resolved) : dir;
#else
  return realpath(dir.c_str(), resolved) ? std::string(resolved) : dir;
#endif
}

} // namespace

bool holdsDataPack(const std::string& dir) {
  // Looked up with the same case-insensitive mapping the readers use.
  std::string saved = dataDir();
  setDataDir(dir);
  std::string music = dataPath("music.dat"), dat = dataPath("dat");
  setDataDir(saved);
  struct stat st;
  return stat(music.c_str(), &st) == 0 && S_ISREG(st.st_mode) && isFolder(dat);
}

std::string executableDir() {
  char path[PATH_MAX];
#ifdef _WIN32
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  if (n == 0 || n >= sizeof path) return "";
  std::string exe(path, n);
  size_t slash = exe.find_last_of("\\/");
#else
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "";
  path[n] = 0;
  std::string exe = path;
  size_t slash = exe.rfind('/');
#endif
  return slash == std::string::npos ? "" : exe.substr(0, slash == 0 ? 1 : slash);
}

bool findDataDir(const std::string& given, const char* program, std::string& dir, std::string& error) {
  std::string p = program;
  if (!given.empty()) {
    if (holdsDataPack(given)) {
      dir = given;
      return true;
    }
    error = p + ": the data folder " + absolute(given) + " does not hold the demo's data (music.dat and dat/)";
    return false;
  }
  char cwd[PATH_MAX];
  std::string here = getcwd(cwd, sizeof cwd) ? std::string(cwd) : ".";
  if (holdsDataPack(".")) {
    dir.assign(1, '.'); // (assigning the literal trips a false -Wrestrict in GCC 12)
    return true;
  }
  std::vector<std::string> looked{here};
  std::string exeDir = executableDir();
  if (!exeDir.empty()) {
    // An unpacked release keeps the pack in `data` beside the program (started by a double-click, its
    // working folder is the program's own); an installed tree keeps it in ../share/zubdemo.
#ifdef _WIN32
    const char* const places[] = {"\\data", "\\..\\share\\zubdemo"};
#else
    const char* const places[] = {"/data", "/../share/zubdemo"};
#endif
    for (const char* place : places) {
      std::string candidate = exeDir + place;
      if (holdsDataPack(candidate)) {
        dir = absolute(candidate);
        return true;
      }
      looked.push_back(isFolder(candidate) ? absolute(candidate) : candidate);
    }
  }
  std::string list = looked[0];
  for (size_t i = 1; i < looked.size(); ++i) list += (i + 1 == looked.size() ? " and " : ", ") + looked[i];
  error = p + ": cannot find the demo's data (music.dat and dat/): looked in " + list +
          "; run it from the data folder or give the folder with --data DIR";
  return false;
}

} // namespace zub
