// The frames of the demo's video clip, rendered with the demo's own engine: the landscape's neon
// floor rushing toward the viewer under a night sky, a ring of light bursting from the horizon on
// every beat, and the gold ZUB lettering swinging in front. The scenes scroll its lines, halve it
// with a picture, strobe and trail it, so it keeps its light in the middle of the frame and away
// from the edges, where anything bright would read as a stray bar. Written as a Y4M video for the
// encoder (scripts/make-assets.sh).
#pragma once
#include <string>

#include "core/failure.h"

namespace assets {

const int clipFrames = 200;     // 8 seconds
const int clipFrameRate = 25;

zub::Failure writeClipFrames(const std::string& y4mPath);

} // namespace assets
