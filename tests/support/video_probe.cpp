#include "tests/support/video_probe.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/support/process.h"

namespace testsupport {

VideoProbe ProbeVideo(const std::string& path) {
  const std::string out = Run("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                              "stream=codec_tag_string,r_frame_rate,width,height,nb_read_packets -of default=nw=1 " +
                              ShellQuote(path) + " 2>/dev/null")
                              .output;
  VideoProbe probe;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "codec_tag_string") probe.codecTag = value;
    if (key == "r_frame_rate") probe.frameRate = value;
    if (key == "width") probe.width = std::atoi(value.c_str());
    if (key == "height") probe.height = std::atoi(value.c_str());
    if (key == "nb_read_packets") probe.packets = std::atol(value.c_str());
  }
  return probe;
}

VideoDecode DecodeVideo(const std::string& path) {
  const std::string errors = path + ".ffmpeg-errors";
  const auto run = Run("ffmpeg -nostdin -v error -i " + ShellQuote(path) + " -f framecrc - 2>" + ShellQuote(errors));
  VideoDecode result;
  result.exitCode = run.exitCode;
  std::istringstream lines(run.output);
  for (std::string line; std::getline(lines, line);) result.frames += !line.empty() && line[0] != '#';
  std::ifstream in(errors);
  result.messages.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  std::remove(errors.c_str());
  return result;
}

}  // namespace testsupport
