// What the music tests share: the demo's tune, composed once per test program (composing renders
// it once to set its level), and a module loaded from bytes in memory.
#pragma once
#include <string>

#include <libopenmpt/libopenmpt.h>

#include "arrangement.h"

inline const std::string& demoModule() {
  static const std::string bytes = assets::makeDemoModule();
  return bytes;
}

inline openmpt_module* load(const std::string& bytes) {
  return openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                            nullptr, nullptr);
}
