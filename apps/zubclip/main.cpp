// zubclip: the demo's MPEG-1/MPEG-2 video decoder on the command line. Prints a clip's stream
// properties (as text or JSON), or writes its pictures in display order as raw YUV, a Y4M video
// or PNG files. The decoder's own lines and every error go to standard error, so standard output
// carries only the report or the video.
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capture/os_services.h"
#include "common/cli.h"
#include "core/portable.h"
#include "capture/output_file.h"
#include "capture/png_sequence.h"
#include "capture/y4m_writer.h"
#include "stream_info.h"
#include "video/clip_reader.h"
#include "video/colour_convert.h"
#include "video/mpeg_decoder.h"

namespace {

const char* const usage =
    "usage: zubclip [options] FILE\n"
    "\n"
    "Decodes an MPEG-1 or MPEG-2 video clip (elementary stream, MPEG-1 system stream or MPEG-2\n"
    "program stream). Without output options, prints the stream's properties: size, aspect ratio,\n"
    "frame rate, duration, bit rate, profile and level, scan and field order, the picture types\n"
    "seen, and every stream of a system or program stream.\n"
    "Options take their value as --opt VALUE or --opt=VALUE; -- ends the options.\n"
    "\n"
    "options:\n"
    "  --json       print the properties as one JSON object\n"
    "  --yuv OUT    write every picture in display order as raw planar YUV at display size\n"
    "               (the layout of ffmpeg's yuv420p, yuv422p or yuv444p); - for standard output\n"
    "  --y4m OUT    the same pictures as a Y4M video, with the stream's frame rate, sample aspect\n"
    "               ratio and field order in its header; - for standard output\n"
    "  --png DIR    every picture converted to RGB as DIR/frame_NNNNN.png\n"
    "  --strict     exit with status 1 when a picture is incomplete (a stream cut short)\n"
    "  --quiet      suppress the decoder's messages (zubclip's own error lines stay)\n"
    "  --verbose    also print the decoder's line for every MPEG-2 video packet\n"
    "  -h, --help   show this help\n"
    "  --version    show the program's version\n"
    "\n"
    "exit status: 0 on success (a stream that ends inside a picture is decoded as far as it goes,\n"
    "with a warning), 1 when the clip cannot be read or decoded or an output cannot be written\n"
    "(or with --strict, a picture was incomplete), 2 on bad arguments\n";

struct ClipOptions {
  std::string yuvPath, y4mPath, pngDir, input;
  bool json = false, quiet = false, verbose = false, strict = false, haveInput = false;
};

using Setter = bool (*)(ClipOptions& o, const char* value);

struct OptionSpec {
  const char* name;
  bool takesValue;
  Setter set;
};

const OptionSpec options[] = {
    {"--yuv", true, [](ClipOptions& o, const char* v) { o.yuvPath = v; return *v != 0; }},
    {"--y4m", true, [](ClipOptions& o, const char* v) { o.y4mPath = v; return *v != 0; }},
    {"--png", true, [](ClipOptions& o, const char* v) { o.pngDir = v; return *v != 0; }},
    {"--json", false, [](ClipOptions& o, const char*) { return o.json = true; }},
    {"--quiet", false, [](ClipOptions& o, const char*) { return o.quiet = true; }},
    {"--verbose", false, [](ClipOptions& o, const char*) { return o.verbose = true; }},
    {"--strict", false, [](ClipOptions& o, const char*) { return o.strict = true; }},
};

int usageError(const std::string& message) { return zub::usageError("zubclip", message); }

// Returns -1 to go on, or the exit status.
int parseArguments(int argc, char** argv, ClipOptions& o) {
  zub::ArgReader args(argc, argv, true);
  std::string error;
  for (zub::ArgReader::Kind kind; (kind = args.next()) != zub::ArgReader::End;) {
    if (kind == zub::ArgReader::Help) {
      fputs(usage, stdout);
      return 0;
    }
    if (kind == zub::ArgReader::Version) return zub::printVersion("zubclip");
    if (kind == zub::ArgReader::Operand) {
      if (o.haveInput) return usageError("only one input file");
      o.input = args.arg();
      o.haveInput = true;
      continue;
    }
    const OptionSpec* spec = zub::findOption(options, args.name());
    if (!spec) return usageError("unknown option " + args.name());
    const char* value;
    if (!args.value(spec->takesValue, value, error)) return usageError(error);
    if (!spec->set(o, value)) return usageError(args.name() + " needs a non-empty value");
  }
  if (!o.haveInput) return usageError("no input file");
  if (o.yuvPath == "-" && o.y4mPath == "-") return usageError("only one of --yuv and --y4m can go to standard output");
  if ((o.yuvPath == "-" || o.y4mPath == "-") && isatty(1))
    return usageError("- would write the pictures onto the terminal; pipe them into a program");
  if (o.json && (!o.yuvPath.empty() || !o.y4mPath.empty() || !o.pngDir.empty()))
    return usageError("--json prints the properties; it does not go with --yuv, --y4m or --png");
  return -1;
}

// The file problems a user can act on, each in its own words, before the decoder sees the file.
bool checkInput(const std::string& path, std::string& problem) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) {
    problem = strerror(errno);
    return false;
  }
  if ((info.st_mode & S_IFMT) == S_IFDIR) {
    problem = "is a directory, not a clip";
    return false;
  }
  if (info.st_size == 0) {
    problem = "empty file";
    return false;
  }
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) {
    problem = strerror(errno);
    return false;
  }
  uint8_t head[192] = {};
  size_t n = fread(head, 1, sizeof head, f);
  fclose(f);
  const char* found = nullptr;
  if (n >= 8 && memcmp(head + 4, "ftyp", 4) == 0)
    found = "an MP4 container";
  else if (n >= 4 && memcmp(head, "\x1A\x45\xDF\xA3", 4) == 0)
    found = "a Matroska or WebM container";
  else if (n >= 4 && memcmp(head, "RIFF", 4) == 0)
    found = "a RIFF file (AVI or WAV)";
  else if (n >= 4 && memcmp(head, "OggS", 4) == 0)
    found = "an Ogg container";
  else if (n >= 1 && head[0] == 0x47 && (n < 189 || head[188] == 0x47))
    found = "an MPEG transport stream, which this decoder does not read";
  if (found) {
    problem = std::string("not an MPEG-1/2 stream (found ") + found + ")";
    return false;
  }
  return true;
}

char interlaceOf(const StreamInfo& info) {
  if (info.progressiveSequence || info.fieldOrder == "progressive") return 'p';
  return info.fieldOrder == "tt" ? 't' : 'b';
}

// The properties, or the pictures into the outputs. Returns the exit status.
int run(const ClipOptions& o, MpegDecoder& decoder, FILE* out) {
  const char* path = o.input.c_str();
  StreamInfo info;
  gatherStreamInfo(decoder, path, info);
  if (o.yuvPath.empty() && o.y4mPath.empty() && o.pngDir.empty()) {
    o.json ? printStreamInfoJson(info, out) : printStreamInfo(info, out);
    return fflush(out) == 0 ? 0 : 1;
  }
  if (!o.y4mPath.empty() && info.frameRate.num == 0) {
    // A Y4M header must carry a rate, and guessing one would play the video at the wrong speed.
    fprintf(stderr, "zubclip: %s: frame_rate_code %d is reserved, so there is no frame rate for a Y4M video "
            "(--yuv writes the pictures without one)\n", path, decoder.frameRateCode);
    return 1;
  }

  zub::Failure failed;
  zub::OutputFile yuv, y4mFile;
  zub::Y4mWriter y4m;
  zub::PngSequence png;
  if (!o.yuvPath.empty()) failed = yuv.begin(o.yuvPath, true, out);
  if (!failed && o.yuvPath == "-") zub::binaryMode(out); // the Y4M writer does the same for its stream
  if (!failed && !o.y4mPath.empty()) {
    zub::Y4mFormat format;
    format.width = decoder.horizontalSize;
    format.height = decoder.verticalSize;
    Ratio rate = info.frameRate;
    format.rateNumerator = (int)rate.num;
    format.rateDenominator = (int)rate.den;
    format.interlace = interlaceOf(info);
    format.aspectNumerator = (int)info.sampleAspect.num;
    format.aspectDenominator = (int)info.sampleAspect.den;
    format.chroma = decoder.chromaFormat == kChroma444   ? "444"
                    : decoder.chromaFormat == kChroma422 ? "422"
                    : decoder.mpeg2                      ? "420mpeg2"
                                                         : "420jpeg";
    failed = y4mFile.begin(o.y4mPath, true, out);
    if (!failed) failed = y4m.start(y4mFile.file, o.y4mPath == "-" ? "standard output" : o.y4mPath, format);
  }
  if (!failed && !o.pngDir.empty()) failed = png.open(o.pngDir, 5);
  if (failed) {
    fprintf(stderr, "zubclip: %s", failed.message.c_str());
    return 1;
  }

  YuvPicture picture;
  ColourConverter converter;
  std::vector<uint32_t> rgb;
  int index = 0;
  decodeAllPictures(decoder, [&](const ShownPicture& shown) {
    ++index;
    if (failed) return;  // one failure is reported once; the rest of the stream only finishes decoding
    if (yuv.file || y4mFile.file) copyDisplayPlanes(decoder, *shown.frame, picture);
    if (yuv.file && fwrite(picture.planes.data(), 1, picture.planes.size(), yuv.file) != picture.planes.size()) {
      failed = zub::failure(1, "cannot write %s: %s\n", o.yuvPath == "-" ? "standard output" : o.yuvPath.c_str(),
                            strerror(errno));
    }
    if (!failed && y4mFile.file) failed = y4m.writePlanes(picture.planes.data(), picture.planes.size());
    if (!failed && !o.pngDir.empty()) {
      if (rgb.empty()) rgb.resize((size_t)decoder.horizontalSize * decoder.verticalSize);
      converter.convert(decoder, shown, rgb.data(), decoder.horizontalSize);
      failed = png.write(index, rgb.data(), decoder.horizontalSize, decoder.verticalSize);
    }
  });
  if (!failed && yuv.file) failed = yuv.commit();
  if (!failed && y4mFile.file) failed = y4mFile.commit();
  if (failed) {
    fprintf(stderr, "zubclip: %s", failed.message.c_str());
    return 1;
  }
  int incomplete = decoder.features.incompletePictures;
  if (incomplete > 0) {
    if (decoder.input.clipEnded)
      fprintf(stderr, "zubclip: %s: the stream ends inside a picture; decoded what was there\n", path);
    else
      fprintf(stderr, "zubclip: %s: %d picture%s incomplete\n", path, incomplete, incomplete == 1 ? " was" : "s were");
  }
  if (!o.quiet) fprintf(stderr, "zubclip: %d pictures\n", index);
  return incomplete > 0 && o.strict ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  zub::lineBufferedStdout();
  ClipOptions o;
  int status = parseArguments(argc, argv, o);
  if (status >= 0) return status;

  std::string problem;
  if (!checkInput(o.input, problem)) {
    fprintf(stderr, "zubclip: %s: %s\n", o.input.c_str(), problem.c_str());
    return 1;
  }
  // Standard output carries only the report or the video: anything a library prints there joins
  // the messages on standard error.
  FILE* out = zub::divertStandardOutput("stderr");
  if (!out) {
    fprintf(stderr, "zubclip: cannot redirect standard output: %s\n", strerror(errno));
    return 1;
  }
  setvbuf(out, nullptr, _IOFBF, 1 << 16);
  zub::installInterruptCleanup();
  MpegDecoder decoder;
  decoder.quiet = o.quiet;
  decoder.input.announcePesPackets = o.verbose;
  try {
    decoder.openStream(o.input.c_str());
    status = run(o, decoder, out);
  } catch (const MpegFatal& failure) {
    if (!o.quiet) fputs(failure.message.c_str(), stderr);
    fprintf(stderr, "zubclip: %s: cannot be decoded\n", o.input.c_str());
    status = 1;
  }
  if (fflush(out) != 0 && status == 0) {
    fprintf(stderr, "zubclip: cannot write standard output: %s\n", strerror(errno));
    status = 1;
  }
  return status;
}
