#pragma once
// What ffprobe and ffmpeg read of a video file written by the program.
#include <string>

namespace testsupport {

struct VideoProbe {
  std::string codecTag;   // "MSVC"
  std::string frameRate;  // "11/1"
  int width = 0, height = 0;
  long packets = -1;  // positions in the file, empty ones included; -1 when unreadable
};
VideoProbe ProbeVideo(const std::string& path);

// A whole decode: ffmpeg's exit code, what it said at -v error, and the frames it decoded.
struct VideoDecode {
  int exitCode = -1;
  std::string messages;
  int frames = 0;
};
VideoDecode DecodeVideo(const std::string& path);

}  // namespace testsupport
