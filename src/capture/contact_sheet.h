// The contact sheet: a thumbnail of the middle frame of every scene step, labelled with the
// scene's name and the step, six to a row, written as one PNG.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/failure.h"

namespace zub {

class ContactSheet {
public:
  // Called for every frame in range with its scene (an index, and the name the label shows, a
  // string that outlives the sheet), the frame time and the time of the middle of its step (ms).
  void addFrame(const uint32_t* pixels, int scene, const char* sceneName, int step, int32_t time, int32_t stepMiddle);
  Failure write(const std::string& path) const;

  struct Entry {
    int scene, step;
    const char* sceneName;
    int32_t target;                // frame time at the middle of the step
    bool atMiddle;                 // the thumbnail is the middle frame, not yet the first
    std::vector<uint32_t> thumb;   // half size
  };
  std::vector<Entry> entries;

private:
  int lastScene = -1, lastStep = -1;
};

} // namespace zub
