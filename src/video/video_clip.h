// VideoClip: the demo's MPEG clip as a moving picture. Opened once; each nextFrame decodes the next
// picture into the clip's bitmap, and when the clip is exhausted it starts again from the top.
#pragma once
#include <string>

#include "image/bitmap.h"
#include "video/colour_convert.h"
#include "video/mpeg_decoder.h"

class VideoClip {
public:
  int width = 0;              // coded width (horizontal size rounded up to a multiple of 16)
  int height = 0;             // vertical size
  int frameIndex = 0;         // the decoder's picture counter after the last nextFrame
  int frameCount = 0;         // pictures yielded before the clip restarts
  Bitmap* bitmap = nullptr;   // width x height, receives every displayed picture
  std::string path;           // kept for restarts
  MpegDecoder* decoder = nullptr;  // the process-wide decoder
  ColourConverter converter;  // up-sampled chroma planes, kept between pictures

  // Counting pass, reopen, first picture decoded. Decoder failures end the process with status 1.
  static VideoClip* open(const char* path);
  // Decodes the next frame into `bitmap` (or restarts the clip) and returns the new frame index.
  int nextFrame();

  ~VideoClip() { delete bitmap; }

private:
  VideoClip() = default;
};

// The one decoder of the process (one clip at a time).
MpegDecoder& processDecoder();

// Counts the frames after the current one up to the end of the sequence (a field pair is one
// frame). Used by the counting pass and by tools.
int countRemainingFrames(MpegDecoder& decoder);
