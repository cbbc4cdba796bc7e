#include "common/cli.h"

#include <cstdio>

#include "core/version.h"

namespace zub {

ArgReader::ArgReader(int argc, char** argv, bool dashDashEndsOptions)
    : argc(argc), argv(argv), endsOptions(dashDashEndsOptions) {}

ArgReader::Kind ArgReader::next() {
  while (++index < argc) {
    current = argv[index];
    if (endsOptions && !optionsEnded && current == "--") {
      optionsEnded = true;
      continue;
    }
    if (optionsEnded || current.size() < 2 || current[0] != '-') return Operand;
    if (current == "--help" || current == "-h") return Help;
    if (current == "--version") return Version;
    equals = current.find('=');
    optionName = current.substr(0, equals);
    return Option;
  }
  return End;
}

bool ArgReader::value(bool takesValue, const char*& value, std::string& error) {
  value = "";
  if (takesValue && equals != std::string::npos) {
    value = argv[index] + equals + 1;
  } else if (takesValue) {
    if (index + 1 >= argc) {
      error = optionName + " needs a value";
      return false;
    }
    value = argv[++index];
  } else if (equals != std::string::npos) {
    error = optionName + " takes no value";
    return false;
  }
  return true;
}

int printVersion(const char* program) {
  printf("%s %s\n", program, ZUB_VERSION);
  return 0;
}

int usageError(const char* program, const std::string& message) {
  fprintf(stderr, "%s: %s\n(%s --help lists the options)\n", program, message.c_str(), program);
  return 2;
}

} // namespace zub
