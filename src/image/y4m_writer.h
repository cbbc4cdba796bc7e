// Writes frames of 0x00RRGGBB pixels as a YUV4MPEG2 video (the format ffmpeg and players read):
// BT.601 limited-range Y'CbCr, 4:2:0 (chroma of each 2 x 2 block averaged) or 4:4:4.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace zub {

class Y4mWriter {
public:
  ~Y4mWriter();
  // Writes the header. False (with `error`) when the file cannot be written.
  bool open(const std::string& path, int width, int height, int framesPerSecond, bool chroma444, std::string& error);
  bool writeFrame(const uint32_t* pixels, std::string& error);
  bool close(std::string& error);

  int width = 0, height = 0;
  bool chroma444 = false;
  // Bytes one frame takes in the file, its "FRAME\n" marker included.
  size_t frameBytes() const;

private:
  FILE* file = nullptr;
  std::string path;
  std::vector<uint8_t> planes; // Y, Cb, Cr of one frame, allocated at open
};

} // namespace zub
