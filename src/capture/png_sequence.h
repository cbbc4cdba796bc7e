// A folder of numbered PNG pictures (DIR/frame_NNNNNN.png). Each picture is written under a
// temporary name and renamed when complete, so the folder never holds a partial picture.
#pragma once
#include <cstdint>
#include <string>

#include "core/failure.h"

namespace zub {

class PngSequence {
public:
  // Makes the folder when missing and checks that it takes new files. A failure names the folder
  // and gives the system's reason.
  Failure open(const std::string& folder, int digits);
  Failure write(int number, const uint32_t* pixels, int width, int height);

  std::string folder;
  int digits = 6;    // of the picture number in the name
  int written = 0;
};

} // namespace zub
