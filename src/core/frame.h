// The demo's frame: every scene draws 320 x 240 pixels of 32 bits (0x00RRGGBB), whatever size the
// window or an output file shows it at.
#pragma once

namespace zub {

constexpr int frameWidth = 320, frameHeight = 240;
constexpr int framePixels = frameWidth * frameHeight;

} // namespace zub
