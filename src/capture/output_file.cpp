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

Failure OutputFile::begin(const std::string& name, bool openStream, FILE* standardOutput) {
  discard();
  target = name;
  direct = toStandardOutput() || isSpecialFile(target);
  if (toStandardOutput()) {
    temporary = target;
    file = openStream ? standardOutput : nullptr;
    return {};
  }
  temporary = direct ? target : temporaryNameFor(target);
  if (!direct) {
    installInterruptCleanup();
    registerTemporary(temporary);
  }
  FILE* probe = fopen(temporary.c_str(), "wb");
  if (!probe) {
    Failure cannot = failure(1, "cannot write %s: %s\n", target.c_str(), strerror(errno));
    if (!direct) forgetTemporary(temporary);
    temporary.clear();
    return cannot;
  }
  if (openStream)
    file = probe;
  else
    fclose(probe);
  return {};
}

Failure OutputFile::commit() {
  if (temporary.empty()) return {};
  Failure result;
  if (file) {
    bool closed = (toStandardOutput() ? fflush(file) : fclose(file)) == 0;
    file = nullptr;
    if (!closed) result = failure(1, "cannot write %s: %s\n", target.c_str(), strerror(errno));
  }
  if (!result && !direct) result = replaceFile(temporary, target);
  if (result) {
    discard();
    return result;
  }
  forgetTemporary(temporary);
  temporary.clear();
  return {};
}

Failure OutputFile::asTarget(Failure failure) const {
  size_t named = failure.message.find(temporary);
  if (!temporary.empty() && named != std::string::npos) failure.message.replace(named, temporary.size(), target);
  return failure;
}

void OutputFile::discard() {
  if (file && !toStandardOutput()) fclose(file);
  file = nullptr;
  if (!temporary.empty() && !direct) {
    remove(temporary.c_str());
    forgetTemporary(temporary);
  }
  temporary.clear();
}

} // namespace zub
