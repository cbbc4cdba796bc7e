// What zubclip reports about a clip: the sequence's properties as the decoder read them, the
// counts of a pass over every picture header, and the streams of the system layer, printed as
// aligned text or as one JSON object.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

class MpegDecoder;

struct Ratio {
  long num = 0, den = 1;
};

struct ClipStream {
  int id;            // stream id of the system layer
  int packets;
  std::string kind;  // "video", "audio", "private", "padding", "stream map" or "other"
  std::string format;  // what the headers say of the content, or ""
};

struct StreamInfo {
  std::string file, container;
  int mpegVersion = 1;
  int width = 0, height = 0, codedWidth = 0, codedHeight = 0;
  std::string chromaFormat;
  Ratio frameRate;
  Ratio sampleAspect, displayAspect;
  double duration = 0;
  long bitRate = 0;               // bits per second; 0 when the header says variable
  std::string profile, level;     // MPEG-2 only
  bool progressiveSequence = true;
  std::string fieldOrder;         // "progressive", "tt" (top first) or "bb"
  int pictures = 0;
  int typeCounts[3] = {0, 0, 0};  // frames whose (first) picture is I, P and B
  std::vector<ClipStream> streams;
};

// The frame rate as an exact fraction, from the decoder's table and the sequence extension; 0/1
// for a reserved frame_rate_code.
Ratio frameRateOf(const MpegDecoder& decoder);
// The sample (pel) aspect ratio as width:height, 0:0 when the header does not say.
Ratio sampleAspectOf(const MpegDecoder& decoder);

// Fills `info` from an opened decoder and a header pass over `path`. Throws MpegFatal like the
// decoder.
void gatherStreamInfo(const MpegDecoder& opened, const char* path, StreamInfo& info);

void printStreamInfo(const StreamInfo& info, FILE* out);
void printStreamInfoJson(const StreamInfo& info, FILE* out);
