// The clip player: counting pass, frame-by-frame decoding into a Bitmap, and the restart rule.
#include "video/video_clip.h"

#include <cstdio>
#include <cstdlib>

MpegDecoder& processDecoder() {
  static MpegDecoder* decoder = new MpegDecoder;
  return *decoder;
}

int countRemainingFrames(MpegDecoder& decoder) {
  int count = 0;
  bool firstFieldSeen = false;
  while (decoder.readHeaders() == 1) {
    if (decoder.pictureStructure == kFramePicture) {
      firstFieldSeen = false;
      ++count;
    } else if (firstFieldSeen) {
      firstFieldSeen = false;
      ++count;
    } else {
      firstFieldSeen = true;
    }
  }
  return count;
}

VideoClip* VideoClip::open(const char* path) {
  VideoClip* clip = new VideoClip;
  clip->path = path;
  clip->decoder = &processDecoder();
  MpegDecoder& d = *clip->decoder;
  try {
    d.openStream(path);
    clip->frameCount = countRemainingFrames(d);
    d.releaseSequence();
    d.closeStream();
    d.openStream(path);
    clip->converter.reserve(d);
  } catch (const MpegFatal&) {
    exit(1);
  }
  clip->width = d.codedWidth;
  clip->height = d.verticalSize;
  clip->bitmap = new Bitmap(clip->width, clip->height);
  clip->frameIndex = 0;
  return clip;
}

int VideoClip::nextFrame() {
  MpegDecoder& d = *decoder;
  try {
    if (frameCount == 0) {
      // A clip of one picture: open decoded it and display order would never reach it, and a
      // restart would only decode it again. It is shown, and held.
      converter.convert(d, d.lastReferencePicture(), bitmap->pixels, bitmap->width);
    } else if (d.pictureCounter < frameCount) {
      if (d.readHeaders() == 1 && d.decodeFrame(1))
        converter.convert(d, d.shown, bitmap->pixels, bitmap->width);
    } else {
      d.releaseSequence();
      d.closeStream();
      d.openStream(path.c_str());
    }
  } catch (const MpegFatal&) {
    exit(1);
  }
  frameIndex = d.pictureCounter;
  return frameIndex;
}
