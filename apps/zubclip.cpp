// zubclip: the demo's MPEG-1/MPEG-2 video decoder on the command line. Prints a clip's stream
// properties, or writes its pictures in display order as raw YUV, a Y4M video or PNG files.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/version.h"
#include "image/image_writers.h"
#include "video/clip_reader.h"
#include "video/colour_convert.h"
#include "video/mpeg_tables.h"
#include "video/video_clip.h"

namespace {

const char* const kUsage =
    "usage: zubclip [options] FILE\n"
    "\n"
    "Decodes an MPEG-1 or MPEG-2 video clip (elementary stream, MPEG-1 system stream or MPEG-2\n"
    "program stream). Without options, prints the stream's properties.\n"
    "\n"
    "options:\n"
    "  --yuv OUT    write every picture in display order as raw planar YUV at display size\n"
    "               (the layout of ffmpeg's yuv420p, yuv422p or yuv444p)\n"
    "  --y4m OUT    the same pictures as a Y4M video\n"
    "  --png DIR    every picture converted to RGB as DIR/frame_NNNNN.png\n"
    "  --quiet      suppress the decoder's messages, errors included\n"
    "  --verbose    also print the decoder's line for every MPEG-2 video packet\n"
    "  -h, --help   show this help\n"
    "  --version    show the program's version\n"
    "\n"
    "exit status: 0 on success, 1 when the clip cannot be decoded, 2 on bad arguments\n";

int usageError(const char* message) {
  fprintf(stderr, "zubclip: %s\n%s", message, kUsage);
  return 2;
}

const char* containerName(const MpegDecoder& d) {
  if (!d.input.systemStream) return "elementary stream";
  return d.input.packVersion == 2 ? "MPEG-2 program stream" : "MPEG-1 system stream";
}

// Frame rate as a Y4M fraction.
void frameRateFraction(int code, int& num, int& den) {
  static const int nums[9] = {25, 24000, 24, 25, 30000, 30, 50, 60000, 60};
  static const int dens[9] = {1, 1001, 1, 1, 1001, 1, 1, 1001, 1};
  int i = code >= 1 && code <= 8 ? code : 0;
  num = nums[i];
  den = dens[i];
}

int printProperties(MpegDecoder& d, const char* path) {
  int frames = 1 + countRemainingFrames(d);
  double rate = kFrameRates[d.frameRateCode & 15];
  printf("file:          %s\n", path);
  printf("container:     %s\n", containerName(d));
  printf("video:         MPEG-%d\n", d.mpeg2 ? 2 : 1);
  printf("size:          %d x %d (coded %d x %d)\n", d.horizontalSize, d.verticalSize, d.codedWidth, d.codedHeight);
  printf("chroma format: %s\n", chromaFormatName(d.chromaFormat));
  printf("frame rate:    %.3f\n", rate);
  printf("pictures:      %d\n", frames);
  printf("scan:          %s\n", d.progressiveSequence ? "progressive" : "interlaced");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  const char* yuvPath = nullptr;
  const char* y4mPath = nullptr;
  const char* pngDir = nullptr;
  const char* input = nullptr;
  bool quiet = false;
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--version") {
      printf("zubclip %s\n", ZUB_VERSION);
      return 0;
    }
    if (a == "--quiet") {
      quiet = true;
    } else if (a == "--verbose") {
      verbose = true;
    } else if (a == "--yuv" || a == "--y4m" || a == "--png") {
      if (i + 1 >= argc) return usageError((a + " needs an argument").c_str());
      const char*& target = a == "--yuv" ? yuvPath : (a == "--y4m" ? y4mPath : pngDir);
      target = argv[++i];
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return usageError(("unknown option " + a).c_str());
    } else if (input) {
      return usageError("only one input file");
    } else {
      input = argv[i];
    }
  }
  if (!input) return usageError("no input file");

  MpegDecoder decoder;
  decoder.quiet = quiet;
  decoder.input.announcePesPackets = verbose;
  try {
    decoder.openStream(input);
    if (!yuvPath && !y4mPath && !pngDir) return printProperties(decoder, input);

    FILE* yuv = yuvPath ? fopen(yuvPath, "wb") : nullptr;
    FILE* y4m = y4mPath ? fopen(y4mPath, "wb") : nullptr;
    if ((yuvPath && !yuv) || (y4mPath && !y4m)) {
      fprintf(stderr, "zubclip: cannot write %s\n", yuvPath && !yuv ? yuvPath : y4mPath);
      return 1;
    }
    if (pngDir) mkdir(pngDir, 0777);
    if (y4m) {
      int num, den;
      frameRateFraction(decoder.frameRateCode, num, den);
      const char* chroma = decoder.chromaFormat == kChroma444   ? "444"
                           : decoder.chromaFormat == kChroma422 ? "422"
                           : decoder.mpeg2                      ? "420mpeg2"
                                                                : "420jpeg";
      bool progressive = decoder.progressiveSequence || decoder.progressiveFrame;
      const char* interlace = progressive ? "p" : (decoder.topFieldFirst ? "t" : "b");
      fprintf(y4m, "YUV4MPEG2 W%d H%d F%d:%d I%s A0:0 C%s\n", decoder.horizontalSize, decoder.verticalSize, num, den,
              interlace, chroma);
    }
    YuvPicture picture;
    ColourConverter converter;
    std::vector<uint32_t> rgb;
    int index = 0;
    bool writeFailed = false;
    decodeAllPictures(decoder, [&](const ShownPicture& shown) {
      ++index;
      if (yuv || y4m) copyDisplayPlanes(decoder, *shown.frame, picture);
      if (yuv && fwrite(picture.planes.data(), 1, picture.planes.size(), yuv) != picture.planes.size())
        writeFailed = true;
      if (y4m) {
        fputs("FRAME\n", y4m);
        if (fwrite(picture.planes.data(), 1, picture.planes.size(), y4m) != picture.planes.size()) writeFailed = true;
      }
      if (pngDir) {
        if (rgb.empty()) rgb.resize((size_t)decoder.horizontalSize * decoder.verticalSize);
        converter.convert(decoder, shown, rgb.data(), decoder.horizontalSize);
        char name[32];
        snprintf(name, sizeof name, "/frame_%05d.png", index);
        std::string error;
        if (!zub::writePng(std::string(pngDir) + name, rgb.data(), decoder.horizontalSize, decoder.verticalSize,
                           error)) {
          fprintf(stderr, "zubclip: %s\n", error.c_str());
          writeFailed = true;
        }
      }
    });
    if (yuv && fclose(yuv) != 0) writeFailed = true;
    if (y4m && fclose(y4m) != 0) writeFailed = true;
    if (writeFailed) {
      fprintf(stderr, "zubclip: writing the output failed\n");
      return 1;
    }
    if (!quiet) fprintf(stderr, "zubclip: %d pictures\n", index);
  } catch (const MpegFatal&) {
    return 1;
  }
  return 0;
}
