// One output of a tool, made under a temporary name beside its target and renamed over it only
// when complete, so a failed or interrupted run never leaves a partial file under the real name.
// "-" stands for standard output, which is written directly, as is a target that is a device or a
// named pipe.
#pragma once
#include <cstdio>
#include <string>

#include "core/failure.h"

namespace zub {

class OutputFile {
public:
  ~OutputFile();  // an output never committed is removed
  // Reserves the temporary name (and opens it as `file` when `openStream`). A failure names the
  // target and gives the system's reason. `standardOutput` is the stream "-" writes to.
  Failure begin(const std::string& target, bool openStream, FILE* standardOutput = stdout);
  // Closes the stream and renames the temporary over the target.
  Failure commit();
  void discard();
  // A failure of a writer that wrote the temporary, told under the name the user gave.
  Failure asTarget(Failure failure) const;
  bool toStandardOutput() const { return target == "-"; }

  std::string target;     // the name the user gave
  std::string temporary;  // where the bytes go until commit (the target itself when direct)
  FILE* file = nullptr;   // open stream on `temporary`, when asked for
  bool direct = false;    // standard output, a device or a named pipe: no temporary, no rename
};

// Where an output lands when `target` is written under a temporary name.
std::string temporaryNameFor(const std::string& target);

} // namespace zub
