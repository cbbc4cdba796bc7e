#include "core/datafile.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace zub {

namespace {

std::string dataFolder;

bool exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// The entry of `folder` whose name equals `component` ignoring case, or "" when none does.
std::string findIgnoringCase(const std::string& folder, const std::string& component) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return "";
  std::string found;
  while (dirent* entry = readdir(dir)) {
    if (strcasecmp(entry->d_name, component.c_str()) == 0) {
      found = entry->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

} // namespace

void setDataDir(const std::string& dir) {
  dataFolder = dir;
  while (dataFolder.size() > 1 && dataFolder.back() == '/') dataFolder.pop_back();
}

const std::string& dataDir() { return dataFolder; }

std::string dataDisplayPath(const std::string& name) {
  std::string path = dataPath(name);
  if (path.compare(0, 2, "./") == 0) path.erase(0, 2); // the working folder holds the data
#ifdef _WIN32
  for (char& c : path)
    if (c == '/') c = '\\';
#endif
  return path;
}

std::string dataPath(const std::string& name) {
  std::string path = name;
  for (char& c : path)
    if (c == '\\') c = '/';
  if (path.empty()) return path;
  // The folder itself is never matched loosely, only the names inside it.
  std::string resolved;
  size_t start = 0;
  if (path[0] == '/') {
    resolved = "/";
    start = 1;
  } else if (!dataFolder.empty()) {
    resolved = dataFolder == "/" ? "/" : dataFolder + "/";
    path = resolved + path;
    start = resolved.size();
  }
  if (exists(path)) return path;

  // Walk the components, replacing each missing one by a case-insensitive match.
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    std::string component = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    std::string candidate = resolved + component;
    if (!component.empty() && !exists(candidate)) {
      std::string match = findIgnoringCase(resolved, component);
      if (match.empty()) return path;
      candidate = resolved + match;
    }
    if (slash == std::string::npos) return candidate;
    resolved = candidate + "/";
    start = slash + 1;
  }
  return path;
}

FILE* openDataFile(const std::string& name, const char* mode) { return fopen(dataPath(name).c_str(), mode); }

bool readDataFile(const std::string& name, std::string& out) {
  FILE* f = openDataFile(name, "rb");
  if (!f) return false;
  out.clear();
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
  bool ok = !ferror(f);
  fclose(f);
  return ok;
}

} // namespace zub
