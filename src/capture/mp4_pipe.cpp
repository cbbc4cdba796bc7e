// H.264/AAC output through ffmpeg, started with an argument vector so any file name works.
#include "capture/mp4_pipe.h"

#include <cerrno>
#include <cstring>

namespace zub {

Failure ffmpegFailure(const std::string& target, int status, const std::string& lastLines) {
  if (!lastLines.empty()) return failure(1, "ffmpeg could not write %s:\n%s\n", target.c_str(), lastLines.c_str());
  return failure(1, "ffmpeg could not write %s (status %d)\n", target.c_str(), status);
}

Mp4Pipe::~Mp4Pipe() {
  if (encoder.pid > 0) stopProcess(encoder);
}

Failure Mp4Pipe::start(const std::string& target, int width, int height, bool enlarged) {
  ffmpeg = findProgram("ffmpeg");
  if (ffmpeg.empty()) return failure(1, "--mp4 needs ffmpeg, which is not installed (apt-get install ffmpeg)\n");
  if (Failure begun = result.begin(target, false)) return begun;
  // The video's temporary is named after the target too, so it lands on the same disk.
  if (Failure begun = video.begin(target + ".video", false)) return begun;
  // "file:" keeps a name that begins with a dash or holds a colon from reading as an option or a protocol.
  std::vector<std::string> argv = {ffmpeg, "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
                                   "-f", "yuv4mpegpipe", "-i", "pipe:0", "-c:v", "libx264", "-pix_fmt", "yuv420p"};
  if (enlarged) {
    // Blocks of equal pixels with hard edges: the animation tuning deblocks less and spends more on
    // edges, and a lower rate factor keeps them from ringing; the picture stays crisp on a video site.
    argv.insert(argv.end(), {"-tune", "animation", "-crf", "16"});
  } else {
    argv.insert(argv.end(), {"-crf", "18"});
  }
  argv.insert(argv.end(), {"-f", "mp4", "file:" + video.temporary});
  if (Failure started = startProcess(argv, true, encoder)) return started;
  Y4mFormat format;
  format.width = width;
  format.height = height;
  return frames.start(encoder.input, "ffmpeg's input", format);
}

Failure Mp4Pipe::writeFrame(const uint32_t* pixels) {
  if (!frames.writeFrame(pixels)) return {};
  // A broken pipe means ffmpeg has stopped: its own words say why.
  std::string lastLines;
  int status = finishProcess(encoder, lastLines);
  return ffmpegFailure(result.target, status, lastLines);
}

Failure Mp4Pipe::finishVideo() {
  Failure flushed;
  if (fflush(encoder.input) != 0) flushed = failure(1, "cannot write ffmpeg's input: %s\n", strerror(errno));
  std::string lastLines;
  int status = finishProcess(encoder, lastLines);
  if (status != 0) return ffmpegFailure(result.target, status, lastLines);
  return flushed;
}

Failure Mp4Pipe::run(const std::vector<std::string>& argv, bool pipeInput) {
  ChildProcess child;
  if (Failure started = startProcess(argv, pipeInput, child)) return started;
  std::string lastLines;
  int status = finishProcess(child, lastLines);
  if (status == 0) return {};
  return ffmpegFailure(result.target, status, lastLines);
}

Failure Mp4Pipe::finish(const std::string& wavPath) {
  if (Failure encoded = finishVideo()) return encoded;
  std::vector<std::string> argv = {ffmpeg, "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
                                   "-i", "file:" + video.temporary, "-i", "file:" + wavPath,
                                   "-map", "0:v", "-map", "1:a", "-c:v", "copy", "-c:a", "aac", "-b:a", "192k",
                                   "-f", "mp4", "file:" + result.temporary};
  if (Failure muxed = run(argv, false)) return muxed;
  video.discard();
  return result.commit();
}

} // namespace zub
