// The frames of the demo's video clip, rendered with the demo's own engine: the chrome lettering
// tumbling through a tunnel of colour with a craft passing by, zoom trails and white flashes.
// Written as a Y4M video for the encoder (scripts/make-assets.sh).
#pragma once
#include <string>

namespace assets {

const int clipFrames = 200;     // 8 seconds
const int clipFrameRate = 25;

bool writeClipFrames(const std::string& y4mPath, std::string& error);

} // namespace assets
