// JPEG and PNG writers for the tools (asset generator, offline renderer). Pixels are 0x00RRGGBB
// words, row-major. Each returns false and fills `error` with a reason a user can act on.
#pragma once
#include <cstdint>
#include <string>

namespace zub {

bool writeJpeg(const std::string& path, const uint32_t* pixels, int width, int height, int quality,
               std::string& error);
bool writePng(const std::string& path, const uint32_t* pixels, int width, int height, std::string& error);

} // namespace zub
