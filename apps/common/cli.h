// The command-line reading the tools share: options as --opt VALUE or --opt=VALUE, -h/--help,
// --version, operands, and the two lines a tool prints on bad arguments.
#pragma once
#include <cstddef>
#include <string>

namespace zub {

// Walks the arguments one at a time and says what each one is.
class ArgReader {
public:
  enum Kind { End, Help, Version, Operand, Option };

  // `dashDashEndsOptions`: a "--" is skipped and every argument after it is an operand.
  ArgReader(int argc, char** argv, bool dashDashEndsOptions);

  // Moves to the next argument. "-" and anything not starting with '-' are operands.
  Kind next();
  const std::string& arg() const { return current; }     // the whole argument
  const std::string& name() const { return optionName; } // an option's name: the part before any '='

  // The current option's value: after its '=', else the next argument (which is then used up).
  // An option that takes none gets "" and must have no '='. False, with `error` saying why, when
  // the value is missing or unwanted.
  bool value(bool takesValue, const char*& value, std::string& error);

private:
  int argc;
  char** argv;
  int index = 0;
  bool endsOptions;
  bool optionsEnded = false;
  std::string current, optionName;
  size_t equals = std::string::npos;
};

// The entry of an option table (anything with a `name` member) called `name`, or null.
template <typename Spec, size_t N>
const Spec* findOption(const Spec (&specs)[N], const std::string& name) {
  for (const Spec& spec : specs)
    if (name == spec.name) return &spec;
  return nullptr;
}

// Prints the tool's version line on standard output; returns the exit status 0.
int printVersion(const char* program);
// Prints `message` and where to find the options on standard error; returns the exit status 2.
int usageError(const char* program, const std::string& message);

} // namespace zub
