// JPEG and PNG writers for the tools (asset generator, offline renderer). Pixels are 0x00RRGGBB
// words, row-major. A failure (status 1) names the file and gives a reason a user can act on.
#pragma once
#include <cstdint>
#include <string>

#include "core/failure.h"

namespace zub {

Failure writeJpeg(const std::string& path, const uint32_t* pixels, int width, int height, int quality);
Failure writePng(const std::string& path, const uint32_t* pixels, int width, int height);

} // namespace zub
