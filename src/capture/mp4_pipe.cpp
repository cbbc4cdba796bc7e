// H.264/AAC output through ffmpeg, started with an argument vector so any file name works.
#include "capture/mp4_pipe.h"

#include <cerrno>
#include <cstring>

namespace zub {

std::string ffmpegFailure(const std::string& target, int status, const std::string& lastLines) {
  std::string message = "ffmpeg could not write " + target;
  if (!lastLines.empty()) return message + ":\n" + lastLines;
  return message + " (status " + std::to_string(status) + ")";
}

Mp4Pipe::~Mp4Pipe() {
  if (encoder.pid > 0) stopProcess(encoder);
}

bool Mp4Pipe::start(const std::string& target, int width, int height, bool enlarged, std::string& error) {
  ffmpeg = findProgram("ffmpeg");
  if (ffmpeg.empty()) {
    error = "--mp4 needs ffmpeg, which is not installed (apt-get install ffmpeg)";
    return false;
  }
  if (!result.begin(target, false, error)) return false;
  // The video's temporary is named after the target too, so it lands on the same disk.
  if (!video.begin(target + ".video", false, error)) return false;
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
  if (!startProcess(argv, true, encoder, error)) return false;
  Y4mFormat format;
  format.width = width;
  format.height = height;
  return frames.start(encoder.input, "ffmpeg's input", format, error);
}

bool Mp4Pipe::writeFrame(const uint32_t* pixels, std::string& error) {
  if (frames.writeFrame(pixels, error)) return true;
  // A broken pipe means ffmpeg has stopped: its own words say why.
  std::string lastLines;
  int status = finishProcess(encoder, lastLines);
  error = ffmpegFailure(result.target, status, lastLines);
  return false;
}

bool Mp4Pipe::finishVideo(std::string& error) {
  if (fflush(encoder.input) != 0) {
    error = "cannot write ffmpeg's input: " + std::string(strerror(errno));
  }
  std::string lastLines;
  int status = finishProcess(encoder, lastLines);
  if (status != 0) {
    error = ffmpegFailure(result.target, status, lastLines);
    return false;
  }
  return error.empty();
}

bool Mp4Pipe::run(const std::vector<std::string>& argv, bool pipeInput, std::string& error) {
  ChildProcess child;
  if (!startProcess(argv, pipeInput, child, error)) return false;
  std::string lastLines;
  int status = finishProcess(child, lastLines);
  if (status == 0) return true;
  error = ffmpegFailure(result.target, status, lastLines);
  return false;
}

bool Mp4Pipe::finish(const std::string& wavPath, std::string& error) {
  if (!finishVideo(error)) return false;
  std::vector<std::string> argv = {ffmpeg, "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
                                   "-i", "file:" + video.temporary, "-i", "file:" + wavPath,
                                   "-map", "0:v", "-map", "1:a", "-c:v", "copy", "-c:a", "aac", "-b:a", "192k",
                                   "-f", "mp4", "file:" + result.temporary};
  if (!run(argv, false, error)) return false;
  video.discard();
  return result.commit(error);
}

} // namespace zub
