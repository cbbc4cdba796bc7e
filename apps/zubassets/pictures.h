// The demo's pictures, painted procedurally: title and credit cards, backgrounds, portraits,
// textures and the environment map. Every one is our own work and comes out the same every run.
#pragma once
#include <string>

#include "core/failure.h"

namespace assets {

// Writes default.jpg into `folder` and every picture of the asset table into `folder`/dat;
// `written` counts them.
zub::Failure writePictures(const std::string& folder, int& written);

// The program's icon at the desktop's usual sizes, painted at each size rather than scaled: the
// title card's amber Z on its night blue. Writes `folder`/zubdemo-N.png for N = 16 ... 256 and
// `folder`/zubdemo.ico (the same pictures, PNG-compressed, for the Windows executables).
zub::Failure writeIcons(const std::string& folder);

} // namespace assets
