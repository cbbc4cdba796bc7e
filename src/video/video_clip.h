// VideoClip: the demo's MPEG clip as a moving picture. Opened once; each nextFrame decodes the next
// picture into the clip's bitmap, and when the clip is exhausted it starts again from the top.
// Each clip has its own decoder, so clips open at the same time do not disturb one another.
#pragma once
#include <memory>
#include <string>

#include "core/failure.h"
#include "image/bitmap.h"
#include "video/colour_convert.h"
#include "video/mpeg_decoder.h"

class VideoClip {
public:
  int width = 0;              // coded width (horizontal size rounded up to a multiple of 16)
  int height = 0;             // vertical size
  int frameIndex = 0;         // the decoder's picture counter after the last nextFrame
  int frameCount = 0;         // pictures yielded before the clip restarts
  int calls = 0;              // nextFrame calls since open: the clip's place, as a timeline returns to it
  std::unique_ptr<Bitmap> bitmap; // width x height, receives every displayed picture
  std::string path;           // kept for restarts
  MpegDecoder decoder;        // this clip's decoder, frame stores kept across restarts
  ColourConverter converter;  // up-sampled chroma planes, kept between pictures
  bool failed = false;        // the decoder failed during playback; the clip holds its last picture
  // Set while nobody sees the frames the picture goes into: nextFrame decodes but leaves the bitmap
  // as it was, except for the last picture before a restart, which the restart goes on showing.
  bool unseen = false;
  MpegFatal failure;          // why, when `failed`

  // Counting pass, reopen, first picture decoded. Null when the clip cannot be played, with the
  // decoder's reason in `failure`; nothing is printed.
  static std::unique_ptr<VideoClip> open(const char* path, MpegFatal& failure);
  // Decodes the next frame into `bitmap` (or restarts the clip) and returns the new frame index.
  // A decoder failure sets `failed` and `failure`; the clip then stays on its picture.
  int nextFrame();
  // Goes on to where `calls` nextFrame calls since open leave the clip, without converting the
  // pictures on the way (the caller restores the picture itself).
  void skipTo(int calls);

  VideoClip(const VideoClip&) = delete;
  VideoClip& operator=(const VideoClip&) = delete;

private:
  VideoClip() = default;
  int advance(bool show);
};

// The counting rule for the picture whose header was just read: true when it completes a frame (a
// frame picture, or the second of two field pictures). `firstFieldSeen` carries the pairing.
bool completesFrame(int pictureStructure, bool& firstFieldSeen);

// A clip's failure as the program stops on it: status 1, the decoder's message on its stream.
zub::Failure asFailure(const MpegFatal& fatal);
// The same, naming on the next line the clip file (a data file name) the failure is about.
zub::Failure asFailure(const MpegFatal& fatal, const std::string& clipFile);

// Counts the frames after the current one up to the end of the sequence (a field pair is one
// frame). Used by the counting pass and by tools.
int countRemainingFrames(MpegDecoder& decoder);
