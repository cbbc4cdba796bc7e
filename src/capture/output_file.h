// One output of a tool, made under a temporary name beside its target and renamed over it only
// when complete, so a failed or interrupted run never leaves a partial file under the real name.
// "-" stands for standard output, which is written directly.
#pragma once
#include <cstdio>
#include <string>

namespace zub {

class OutputFile {
public:
  ~OutputFile();  // an output never committed is removed
  // Reserves the temporary name (and opens it as `file` when `openStream`). False with the path
  // and the system's reason in `error`.
  // `standardOutput` is the stream "-" writes to.
  bool begin(const std::string& target, bool openStream, std::string& error, FILE* standardOutput = stdout);
  // Closes the stream and renames the temporary over the target.
  bool commit(std::string& error);
  void discard();
  bool toStandardOutput() const { return target == "-"; }

  std::string target;     // the name the user gave
  std::string temporary;  // where the bytes go until commit ("-" for standard output)
  FILE* file = nullptr;   // open stream on `temporary`, when asked for
};

// Where an output lands when `target` is written under a temporary name.
std::string temporaryNameFor(const std::string& target);

} // namespace zub
