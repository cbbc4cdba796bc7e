// Outputs under a temporary name until complete.
#include "capture/output_file.h"

#include <cerrno>
#include <cstring>

#include "capture/os_services.h"

namespace zub {

std::string temporaryNameFor(const std::string& target) {
#ifdef _WIN32
  size_t slash = target.find_last_of("\\/:");
#else
  size_t slash = target.find_last_of('/');
#endif
  std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  // Hidden and marked with the process id, so two runs never share a temporary.
  return folder + "." + name + ".part" + std::to_string(processId());
}

OutputFile::~OutputFile() { discard(); }

bool OutputFile::begin(const std::string& name, bool openStream, std::string& error, FILE* standardOutput) {
  discard();
  target = name;
  if (toStandardOutput()) {
    temporary = target;
    file = openStream ? standardOutput : nullptr;
    return true;
  }
  temporary = temporaryNameFor(target);
  installInterruptCleanup();
  registerTemporary(temporary);
  FILE* probe = fopen(temporary.c_str(), "wb");
  if (!probe) {
    error = "cannot write " + target + ": " + strerror(errno);
    forgetTemporary(temporary);
    temporary.clear();
    return false;
  }
  if (openStream)
    file = probe;
  else
    fclose(probe);
  return true;
}

bool OutputFile::commit(std::string& error) {
  if (temporary.empty()) return true;
  bool ok = true;
  if (file) {
    ok = (toStandardOutput() ? fflush(file) : fclose(file)) == 0;
    file = nullptr;
    if (!ok) error = "cannot write " + target + ": " + strerror(errno);
  }
  if (ok && !toStandardOutput()) ok = replaceFile(temporary, target, error);
  if (!ok) {
    discard();
    return false;
  }
  forgetTemporary(temporary);
  temporary.clear();
  return true;
}

void OutputFile::discard() {
  if (file && !toStandardOutput()) fclose(file);
  file = nullptr;
  if (!temporary.empty() && !toStandardOutput()) {
    remove(temporary.c_str());
    forgetTemporary(temporary);
  }
  temporary.clear();
}

} // namespace zub
