// Display-order decoding of a whole stream, shared by zubclip and the conformance tests.
#include "video/clip_reader.h"

#include <cstring>

void copyDisplayPlanes(const MpegDecoder& d, const FrameStore& frame, YuvPicture& p) {
  p.width = d.horizontalSize;
  p.height = d.verticalSize;
  p.chromaWidth = d.chromaFormat == kChroma444 ? p.width : (p.width + 1) / 2;
  p.chromaHeight = d.chromaFormat == kChroma420 ? (p.height + 1) / 2 : p.height;
  size_t size = (size_t)p.width * p.height + 2 * (size_t)p.chromaWidth * p.chromaHeight;
  if (p.planes.size() != size) p.planes.resize(size);
  uint8_t* out = p.planes.data();
  for (int c = 0; c < 3; ++c) {
    int w = c ? p.chromaWidth : p.width, h = c ? p.chromaHeight : p.height;
    int stride = c ? d.chromaWidth : d.codedWidth;
    for (int y = 0; y < h; ++y, out += w) memcpy(out, frame.plane[c] + (size_t)y * stride, (size_t)w);
  }
}

int decodeAllPictures(MpegDecoder& d, const std::function<void(const ShownPicture&)>& sink) {
  int delivered = 0;
  while (d.readHeaders() == 1) {
    if (!d.decodeFrame(1)) break;
    if (d.shown.frame) {
      sink(d.shown);
      ++delivered;
    }
  }
  ShownPicture last = d.lastReferencePicture();
  if (last.frame) {
    sink(last);
    ++delivered;
  }
  return delivered;
}

const char* chromaFormatName(int chromaFormat) {
  return chromaFormat == kChroma444 ? "4:4:4" : (chromaFormat == kChroma422 ? "4:2:2" : "4:2:0");
}
