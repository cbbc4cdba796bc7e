// libFuzzer target: the decoder's fast coefficient reader against the plain reader of the video
// tests, block after block over the input's bits. The first byte picks the block kind and whether
// the bits come from memory or in a system stream's packets (and their size); a difference in a
// coefficient, a block's end or the bit position after it stops the run with both readings.
#include <cstdio>
#include <cstdlib>

#include "../tests/video/plain_coefficients.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const CoefficientRun kinds[5] = {
      {false, true, false, 0}, {false, false, false, 0}, {true, true, false, 0},
      {true, true, true, 0},   {true, false, false, 0},
  };
  CoefficientRun run = kinds[(data[0] & 7) % 5];
  // Packets of 1 to 15 bytes put a boundary inside most blocks; up to 256 bytes, a few.
  int packets = data[0] >> 3;
  run.packetBytes = packets < 16 ? packets : (packets - 15) * 16;
  std::string difference = compareCoefficientReaders(std::vector<uint8_t>(data + 1, data + size), run);
  if (!difference.empty()) {
    fprintf(stderr, "the fast and the plain coefficient readers differ at %s\n", difference.c_str());
    abort();
  }
  return 0;
}
