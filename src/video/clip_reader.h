// Whole-stream decoding for tools and tests: every picture in display order (the last reference
// picture flushed at the end) as planar YUV at display size, laid out like ffmpeg's yuv420p,
// yuv422p and yuv444p (chroma planes rounded up).
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "video/mpeg_decoder.h"

struct YuvPicture {
  int width = 0, height = 0;               // display (horizontal and vertical) size
  int chromaWidth = 0, chromaHeight = 0;   // rounded up
  std::vector<uint8_t> planes;             // Y, then Cb, then Cr; sized once per stream
  const uint8_t* plane(int c) const {
    return planes.data() + (c == 0 ? 0 : (size_t)width * height + (size_t)(c - 1) * chromaWidth * chromaHeight);
  }
};

// Copies the visible part of a frame store into `picture`.
void copyDisplayPlanes(const MpegDecoder& decoder, const FrameStore& frame, YuvPicture& picture);

// Decodes the rest of an opened stream, calling `sink` for every picture in display order with the
// frame store that holds it. Returns the number of pictures delivered.
int decodeAllPictures(MpegDecoder& decoder, const std::function<void(const ShownPicture&)>& sink);

// "4:2:0", "4:2:2" or "4:4:4".
const char* chromaFormatName(int chromaFormat);
