// The MP4 output: frames go as a Y4M stream through a pipe into ffmpeg, which encodes H.264 into
// a temporary file beside the target; once the frame count is known and the soundtrack of exactly
// those frames is written, a second ffmpeg run adds it as AAC and the result replaces the target.
// Nothing of the size of the raw video ever touches the disk.
#pragma once
#include <cstdint>
#include <string>

#include "capture/os_services.h"
#include "capture/output_file.h"
#include "capture/y4m_writer.h"

namespace zub {

class Mp4Pipe {
public:
  ~Mp4Pipe();  // an encoder still running is stopped before its temporary files are removed
  // `enlarged`: the frames are the picture enlarged by nearest neighbour, whose hard pixel edges
  // the encoder is asked to keep.
  Failure start(const std::string& target, int width, int height, bool enlarged);
  Failure writeFrame(const uint32_t* pixels);
  // Ends the video and muxes it with the WAV file at `wavPath` into the target.
  Failure finish(const std::string& wavPath);

  int framesWritten() const { return frames.framesWritten; }

private:
  Failure finishVideo();
  Failure run(const std::vector<std::string>& argv, bool pipeInput);
  std::string ffmpeg;
  OutputFile video;   // the H.264 stream alone
  OutputFile result;  // the finished file
  ChildProcess encoder;
  Y4mWriter frames;
};

// The failure of an ffmpeg run: what it printed last, or its status.
Failure ffmpegFailure(const std::string& target, int status, const std::string& lastLines);

} // namespace zub
