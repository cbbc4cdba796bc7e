// Stream properties for zubclip: the numbers of the sequence headers turned into the units people
// and scripts expect (fractions, seconds, bits per second, names of profiles and levels).
#include "stream_info.h"

#include <numeric>

#include "video/clip_reader.h"
#include "video/mpeg_decoder.h"
#include "video/mpeg_tables.h"
#include "video/video_clip.h"

namespace {

Ratio reduced(long num, long den) {
  long g = std::gcd(num, den);
  if (g == 0) return {0, 0};
  return {num / g, den / g};
}

// The names of profile_and_level_indication; escaped codes are the 4:2:2 and multi-view profiles.
void profileAndLevel(int code, std::string& profile, std::string& level) {
  if (code & 0x80) {
    static const struct { int code; const char* profile; const char* level; } escaped[] = {
        {0x82, "4:2:2", "High"}, {0x85, "4:2:2", "Main"}, {0x8A, "Multi-view", "High"},
        {0x8B, "Multi-view", "High 1440"}, {0x8D, "Multi-view", "Main"}, {0x8E, "Multi-view", "Low"}};
    for (const auto& e : escaped)
      if (e.code == code) {
        profile = e.profile;
        level = e.level;
        return;
      }
    profile = level = "reserved";
    return;
  }
  static const char* const profiles[8] = {"reserved", "High", "Spatially Scalable", "SNR Scalable",
                                          "Main", "Simple", "reserved", "reserved"};
  profile = profiles[(code >> 4) & 7];
  switch (code & 15) {
    case 4: level = "High"; break;
    case 6: level = "High 1440"; break;
    case 8: level = "Main"; break;
    case 10: level = "Low"; break;
    default: level = "reserved";
  }
}

// What the first payload bytes of a packet say about an audio or private stream.
std::string contentFormat(int id, const uint8_t* first) {
  if (id >= 0xC0 && id <= 0xDF) {
    if (first[0] == 0xFF && (first[1] & 0xE0) == 0xE0) {
      static const char* const versions[4] = {"MPEG-2.5", "", "MPEG-2", "MPEG-1"};
      static const char* const layers[4] = {"", "Layer III", "Layer II", "Layer I"};
      int version = (first[1] >> 3) & 3, layer = (first[1] >> 1) & 3;
      if (version != 1 && layer != 0) return std::string(versions[version]) + " audio " + layers[layer];
    }
    return "MPEG audio";
  }
  if (id == 0xBD) {
    int sub = first[0];
    if (sub >= 0x80 && sub <= 0x87) return "AC-3 audio";
    if (sub >= 0x88 && sub <= 0x8F) return "DTS audio";
    if (sub >= 0xA0 && sub <= 0xAF) return "LPCM audio";
    if (sub >= 0x20 && sub <= 0x3F) return "subpictures";
    return "";
  }
  return "";
}

std::string streamKind(int id) {
  if (id >= 0xE0 && id <= 0xEF) return "video";
  if (id >= 0xC0 && id <= 0xDF) return "audio";
  if (id == 0xBE) return "padding";
  if (id == 0xBD || id == 0xBF) return "private";
  if (id == 0xBC) return "stream map";
  return "other";
}

// A pass over every header of the stream, decoding nothing, counting frames as the player does.
void countPictures(MpegDecoder& pass, StreamInfo& info) {
  pass.detectStreamType();
  bool firstFieldSeen = false, first = true;
  while (pass.readHeaders() == 1) {
    if (first) {
      // The order of the first frame's fields: the first field picture's parity, or the flag of a
      // frame picture.
      if (pass.pictureStructure != kFramePicture)
        info.fieldOrder = pass.pictureStructure == kTopField ? "tt" : "bb";
      else
        info.fieldOrder = pass.progressiveSequence || pass.progressiveFrame ? "progressive"
                          : pass.topFieldFirst ? "tt" : "bb";
      first = false;
    }
    bool startsFrame = pass.pictureStructure == kFramePicture || !firstFieldSeen;
    if (startsFrame && pass.pictureCodingType >= kPictureI && pass.pictureCodingType <= kPictureB)
      ++info.typeCounts[pass.pictureCodingType - 1];
    if (completesFrame(pass.pictureStructure, firstFieldSeen)) ++info.pictures;
  }
}

} // namespace

Ratio frameRateOf(const MpegDecoder& d) {
  const FrameRate& rate = kFrameRates[d.frameRateCode & 15];
  if (rate.denominator == 0) return {0, 1};  // reserved: no rate
  long num = rate.numerator, den = rate.denominator;
  if (d.mpeg2) {
    num *= d.frameRateExtensionN + 1;
    den *= d.frameRateExtensionD + 1;
  }
  return reduced(num, den);
}

Ratio sampleAspectOf(const MpegDecoder& d) {
  if (!d.mpeg2) {
    // The pel aspect ratios of the MPEG-1 table, height over width.
    static const int heightPerWidth[16] = {0, 10000, 6735, 7031, 7615, 8055, 8437, 8935,
                                           9157, 9815, 10255, 10695, 10950, 11575, 12015, 0};
    int h = heightPerWidth[d.aspectRatio & 15];
    return h ? reduced(10000, h) : Ratio{0, 0};
  }
  // MPEG-2 codes a display aspect ratio, which applies to the display rectangle when one is given.
  static const int dar[5][2] = {{0, 0}, {1, 1}, {4, 3}, {16, 9}, {221, 100}};
  int code = d.aspectRatio;
  if (code < 1 || code > 4) return {0, 0};
  if (code == 1) return {1, 1};
  long w = d.displayHorizontalSize ? d.displayHorizontalSize : d.horizontalSize;
  long h = d.displayVerticalSize ? d.displayVerticalSize : d.verticalSize;
  if (w == 0 || h == 0) return {0, 0};
  return reduced(dar[code][0] * h, dar[code][1] * w);
}

void gatherStreamInfo(const MpegDecoder& d, const char* path, StreamInfo& info) {
  info.file = path;
  info.container = !d.input.systemStream ? "elementary stream"
                   : d.input.packVersion == 2 ? "MPEG-2 program stream" : "MPEG-1 system stream";
  info.mpegVersion = d.mpeg2 ? 2 : 1;
  info.width = d.horizontalSize;
  info.height = d.verticalSize;
  info.codedWidth = d.codedWidth;
  info.codedHeight = d.codedHeight;
  info.chromaFormat = chromaFormatName(d.chromaFormat);
  info.frameRate = frameRateOf(d);
  info.sampleAspect = sampleAspectOf(d);
  info.displayAspect = info.sampleAspect.num ? reduced(info.sampleAspect.num * d.horizontalSize,
                                                       info.sampleAspect.den * d.verticalSize)
                                             : Ratio{0, 0};
  // All ones in the bit rate field marks a variable bit rate.
  info.bitRate = d.bitRate == 0x3FFFF ? 0 : (long)d.bitRate * 400;
  if (d.mpeg2) profileAndLevel(d.profileAndLevel, info.profile, info.level);
  info.progressiveSequence = d.progressiveSequence;

  MpegDecoder pass;
  pass.quiet = pass.input.quiet = true;
  pass.input.announcePesPackets = false;
  if (!pass.input.openFile(path)) return;
  countPictures(pass, info);
  info.duration = info.frameRate.num ? info.pictures * (double)info.frameRate.den / info.frameRate.num : 0;
  for (int id = 0xBC; id < 256; ++id) {
    int packets = pass.input.streamPackets[id];
    if (packets == 0) continue;
    info.streams.push_back({id, packets, streamKind(id),
                            id == 0xE0 ? "MPEG-" + std::to_string(info.mpegVersion) + " video"
                                       : contentFormat(id, pass.input.streamFirstBytes[id])});
  }
}

namespace {

std::string ratioText(const Ratio& r, char separator) {
  return std::to_string(r.num) + separator + std::to_string(r.den);
}

std::string jsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += (char)c;
    } else if (c < 0x20) {
      char escaped[8];
      snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += (char)c;
    }
  }
  return out + "\"";
}

} // namespace

void printStreamInfo(const StreamInfo& info, FILE* out) {
  fprintf(out, "file:          %s\n", info.file.c_str());
  fprintf(out, "container:     %s\n", info.container.c_str());
  fprintf(out, "video:         MPEG-%d\n", info.mpegVersion);
  if (info.mpegVersion == 2)
    fprintf(out, "profile:       %s profile at %s level\n", info.profile.c_str(), info.level.c_str());
  fprintf(out, "size:          %d x %d (coded %d x %d)\n", info.width, info.height, info.codedWidth, info.codedHeight);
  if (info.sampleAspect.num)
    fprintf(out, "aspect:        %s display, %s sample\n", ratioText(info.displayAspect, ':').c_str(),
            ratioText(info.sampleAspect, ':').c_str());
  else
    fprintf(out, "aspect:        not given\n");
  fprintf(out, "chroma format: %s\n", info.chromaFormat.c_str());
  fprintf(out, "frame rate:    %.3f\n", info.frameRate.den ? (double)info.frameRate.num / info.frameRate.den : 0.0);
  fprintf(out, "pictures:      %d\n", info.pictures);
  fprintf(out, "duration:      %.3f s\n", info.duration);
  if (info.bitRate)
    fprintf(out, "bit rate:      %ld bits/s (header)\n", info.bitRate);
  else
    fprintf(out, "bit rate:      variable\n");
  fprintf(out, "scan:          %s\n", info.progressiveSequence ? "progressive" : "interlaced");
  if (!info.progressiveSequence)
    fprintf(out, "field order:   %s\n", info.fieldOrder == "tt" ? "top field first"
                                        : info.fieldOrder == "bb" ? "bottom field first" : "progressive frames");
  fprintf(out, "picture types: %d I, %d P, %d B\n", info.typeCounts[0], info.typeCounts[1], info.typeCounts[2]);
  for (const ClipStream& s : info.streams)
    fprintf(out, "stream 0x%02X:   %s, %d packet%s%s%s\n", s.id, s.kind.c_str(), s.packets, s.packets == 1 ? "" : "s",
            s.format.empty() ? "" : ", ",
            s.format.c_str());
}

void printStreamInfoJson(const StreamInfo& info, FILE* out) {
  fprintf(out, "{\n");
  fprintf(out, "  \"file\": %s,\n", jsonString(info.file).c_str());
  fprintf(out, "  \"container\": %s,\n", jsonString(info.container).c_str());
  fprintf(out, "  \"codec\": \"mpeg%dvideo\",\n", info.mpegVersion);
  if (info.mpegVersion == 2) {
    fprintf(out, "  \"profile\": %s,\n", jsonString(info.profile).c_str());
    fprintf(out, "  \"level\": %s,\n", jsonString(info.level).c_str());
  }
  fprintf(out, "  \"width\": %d,\n  \"height\": %d,\n", info.width, info.height);
  fprintf(out, "  \"coded_width\": %d,\n  \"coded_height\": %d,\n", info.codedWidth, info.codedHeight);
  fprintf(out, "  \"sample_aspect_ratio\": \"%s\",\n", ratioText(info.sampleAspect, ':').c_str());
  fprintf(out, "  \"display_aspect_ratio\": \"%s\",\n", ratioText(info.displayAspect, ':').c_str());
  fprintf(out, "  \"chroma_format\": \"%s\",\n", info.chromaFormat.c_str());
  fprintf(out, "  \"frame_rate\": \"%s\",\n", ratioText(info.frameRate, '/').c_str());
  fprintf(out, "  \"pictures\": %d,\n", info.pictures);
  fprintf(out, "  \"duration\": %.6f,\n", info.duration);
  if (info.bitRate)
    fprintf(out, "  \"bit_rate\": %ld,\n", info.bitRate);
  else
    fprintf(out, "  \"bit_rate\": null,\n");
  fprintf(out, "  \"scan\": \"%s\",\n", info.progressiveSequence ? "progressive" : "interlaced");
  fprintf(out, "  \"field_order\": \"%s\",\n", info.progressiveSequence ? "progressive" : info.fieldOrder.c_str());
  fprintf(out, "  \"picture_types\": {\"I\": %d, \"P\": %d, \"B\": %d},\n", info.typeCounts[0], info.typeCounts[1],
          info.typeCounts[2]);
  fprintf(out, "  \"streams\": [");
  for (size_t i = 0; i < info.streams.size(); ++i) {
    const ClipStream& s = info.streams[i];
    fprintf(out, "%s\n    {\"id\": %d, \"kind\": \"%s\", \"packets\": %d, \"format\": %s}", i ? "," : "", s.id,
            s.kind.c_str(), s.packets, s.format.empty() ? "null" : jsonString(s.format).c_str());
  }
  fprintf(out, "%s]\n}\n", info.streams.empty() ? "" : "\n  ");
}
