// The clip player: counting pass, frame-by-frame decoding into a Bitmap, and the restart rule.
#include "video/video_clip.h"

#include <memory>

#include "core/datafile.h"

bool completesFrame(int pictureStructure, bool& firstFieldSeen) {
  if (pictureStructure != kFramePicture && !firstFieldSeen) {
    firstFieldSeen = true;
    return false;
  }
  firstFieldSeen = false;
  return true;
}

zub::Failure asFailure(const MpegFatal& fatal) {
  zub::Failure failure;
  failure.failed = true;
  failure.status = 1;
  failure.message = fatal.message;
  failure.standardErrorOnly = !fatal.toStdout;
  return failure;
}

zub::Failure asFailure(const MpegFatal& fatal, const std::string& clipFile) {
  zub::Failure failure = asFailure(fatal);
  if (!failure.message.empty() && failure.message.back() != '\n') failure.message += '\n';
  failure.message += "in file " + zub::dataDisplayPath(clipFile) + "\n";
  return failure;
}

int countRemainingFrames(MpegDecoder& decoder) {
  int count = 0;
  bool firstFieldSeen = false;
  while (decoder.readHeaders() == 1)
    if (completesFrame(decoder.pictureStructure, firstFieldSeen)) ++count;
  return count;
}

std::unique_ptr<VideoClip> VideoClip::open(const char* path, MpegFatal& failure) {
  std::unique_ptr<VideoClip> clip(new VideoClip);
  clip->path = path;
  MpegDecoder& d = clip->decoder;
  try {
    d.openStream(path);
    clip->frameCount = countRemainingFrames(d);
    d.releaseSequence();
    d.closeStream();
    d.openStream(path);
    clip->converter.reserve(d);
  } catch (MpegFatal& f) {
    failure = std::move(f);
    return nullptr;
  }
  clip->width = d.codedWidth;
  clip->height = d.verticalSize;
  clip->bitmap = std::make_unique<Bitmap>(clip->width, clip->height);
  if (!clip->bitmap->ok()) {
    // The picture's own allocation message, shown where every fatal message is.
    failure = MpegFatal{clip->bitmap->failure.message, true};
    return nullptr;
  }
  clip->frameIndex = 0;
  return clip;
}

int VideoClip::nextFrame() { return advance(true); }

void VideoClip::skipTo(int target) {
  while (calls < target && !failed) advance(false);
}

int VideoClip::advance(bool show) {
  ++calls;
  if (failed) return frameIndex;
  MpegDecoder& d = decoder;
  try {
    if (frameCount == 0) {
      // A clip of one picture: open decoded it and display order would never reach it, and a
      // restart would only decode it again. It is shown, and held.
      if (show) converter.convert(d, d.lastReferencePicture(), bitmap->pixels, bitmap->width);
    } else if (d.pictureCounter < frameCount) {
      if (d.readHeaders() == 1 && d.decodeFrame(1) && show && (!unseen || d.pictureCounter >= frameCount))
        converter.convert(d, d.shown, bitmap->pixels, bitmap->width);
    } else {
      d.releaseSequence();
      d.closeStream();
      d.openStream(path.c_str());
    }
  } catch (MpegFatal& f) {
    failed = true;
    failure = std::move(f);
    return frameIndex;
  }
  frameIndex = d.pictureCounter;
  return frameIndex;
}
