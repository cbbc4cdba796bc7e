#include "core/failure.h"

#include <cstdarg>
#include <cstdio>

namespace zub {

Failure failure(int status, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int length = vsnprintf(nullptr, 0, format, args);
  va_end(args);
  Failure result;
  result.failed = true;
  result.status = status;
  if (length > 0) {
    result.message.resize((size_t)length + 1);
    vsnprintf(result.message.data(), result.message.size(), format, copy);
    result.message.resize((size_t)length);
  }
  va_end(copy);
  return result;
}

} // namespace zub
