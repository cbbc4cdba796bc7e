#include "core/failure.h"

#include <cstdarg>
#include <cstdio>

namespace zub {

std::string formatText(const char* format, va_list args) {
  va_list measure;
  va_copy(measure, args);
  int length = vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  std::string text;
  if (length > 0) {
    text.resize((size_t)length);
    vsnprintf(text.data(), (size_t)length + 1, format, args);
  }
  return text;
}

Failure failure(int status, const char* format, ...) {
  va_list args;
  va_start(args, format);
  Failure result;
  result.failed = true;
  result.status = status;
  result.message = formatText(format, args);
  va_end(args);
  return result;
}

} // namespace zub
