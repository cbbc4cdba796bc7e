// What the music tests share: the demo's tune as the asset pack holds it (data/music.dat; one test
// checks that composing it again gives exactly these bytes), and a module loaded from bytes in memory.
#pragma once
#include <fstream>
#include <iterator>
#include <string>

#include <libopenmpt/libopenmpt.h>

inline const std::string& demoModule() {
  static const std::string bytes = [] {
    std::ifstream in(std::string(ZUB_SOURCE_DIR) + "/data/music.dat", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  return bytes;
}

inline openmpt_module* load(const std::string& bytes) {
  return openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                            nullptr, nullptr);
}
