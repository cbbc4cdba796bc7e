// Writes a YUV4MPEG2 video (the format ffmpeg and players read), either from frames of 0x00RRGGBB
// pixels (BT.601 limited-range Y'CbCr, 4:2:0 with each 2 x 2 block averaged, or 4:4:4) or from
// planes a decoder already holds. The one writer of the format for every tool.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "capture/output_file.h"

namespace zub {

// What the stream header says.
struct Y4mFormat {
  int width = 0, height = 0;
  int rateNumerator = 30, rateDenominator = 1;
  char interlace = 'p';                       // p: progressive, t: top field first, b: bottom first
  int aspectNumerator = 1, aspectDenominator = 1;  // of a sample; 0:0 when unknown
  std::string chroma = "420jpeg";            // 420jpeg, 420mpeg2, 422 or 444
};

class Y4mWriter {
public:
  // RGB frames into a file (or "-"), made under a temporary name until close.
  Failure open(const std::string& path, int width, int height, int framesPerSecond, bool chroma444);
  // Any format onto `output`, which stays the caller's; `name` is for messages.
  Failure start(FILE* output, const std::string& name, const Y4mFormat& format);
  Failure writeFrame(const uint32_t* pixels);
  // One picture as planar Y, Cb, Cr of the header's size and chroma.
  Failure writePlanes(const uint8_t* planes, size_t bytes);
  // Finishes the file made by open (renamed into place); after start, flushes.
  Failure close();

  int width = 0, height = 0;
  bool chroma444 = false;
  int framesWritten = 0;
  // Bytes one RGB-converted frame takes in the file, its "FRAME\n" marker included.
  size_t frameBytes() const;

private:
  Failure writeFailure() const;  // the system's reason for the write that just failed
  OutputFile own;              // the file made by open
  FILE* file = nullptr;
  std::string name;
  std::vector<uint8_t> planes; // Y, Cb, Cr of one converted frame, allocated at open
};

} // namespace zub
