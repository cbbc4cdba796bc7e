// The frames of the demo's video clip, rendered with the demo's own engine: on a black ground
// with dark blue lines rushing past, thick bars of saturated colour sweep across, white rings burst
// from the centre on every beat, and the ZUB lettering swings in front, big and lit. The scene
// that shows it scrolls its lines, halves it with a picture and trails it, so everything in it
// is bold, hard-edged and mostly horizontal. Written as a Y4M video for the encoder
// (scripts/make-assets.sh).
#pragma once
#include <string>

#include "core/failure.h"

namespace assets {

const int clipFrames = 200;     // 8 seconds
const int clipFrameRate = 25;

zub::Failure writeClipFrames(const std::string& y4mPath);

} // namespace assets
