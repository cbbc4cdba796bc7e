// The demo's 3D objects, built as meshes and written as LightWave LWOB files: extruded lettering
// for the logo objects, a banded sphere, a small craft, and the morphing pair of balls.
#pragma once
#include <string>

#include "core/failure.h"

namespace assets {

// Writes every object into `folder` (default.lwo) and `folder`/dat.
zub::Failure writeObjects(const std::string& folder);

// LWOB bytes of the lettering, the craft and the knot, for the clip's frames.
std::string letteringBytes(const char* text);
std::string craftBytes();
std::string knotBytes();

} // namespace assets
