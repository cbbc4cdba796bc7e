// For a fuzz target whose code prints on standard output (every bitmap announces its allocation,
// the object loader traces every chunk): at fuzzing speed that is only noise, so it goes to
// /dev/null before the first input. Included once, by the target's own file.
#pragma once
#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!freopen("/dev/null", "w", stdout)) perror("/dev/null");
  return 0;
}
