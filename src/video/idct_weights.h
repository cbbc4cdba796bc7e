// The integer inverse DCT's cosines, scaled by 2048 x sqrt(2): one set for the portable IDCT and
// the SIMD kernels, which must give the same results to the bit.
#pragma once

namespace idct {

constexpr int W1 = 2841, W2 = 2676, W3 = 2408, W5 = 1609, W6 = 1108, W7 = 565;

} // namespace idct
