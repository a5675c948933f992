#include "tests/e2e/record_session.h"

#include <filesystem>
#include <sstream>
#include <thread>

#include "tests/support/process.h"
#include "tests/support/x_session.h"

namespace e2e {

using namespace std::chrono_literals;

VideoInfo Probe(const std::string& path) {
  const std::string out =
      testsupport::Run("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                       "stream=width,height,r_frame_rate,nb_read_packets -of default=noprint_wrappers=1 " +
                       testsupport::ShellQuote(path) + " 2>/dev/null")
          .output;
  VideoInfo info;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "width") info.width = std::atoi(value.c_str());
    if (key == "height") info.height = std::atoi(value.c_str());
    if (key == "nb_read_packets") info.packets = std::atoi(value.c_str());
    if (key == "r_frame_rate") info.frameRate = value;
  }
  return info;
}

DecodeResult Decode(const std::string& path) {
  const std::string errors = path + ".ffmpeg-errors";
  const auto run = testsupport::Run("ffmpeg -nostdin -v error -i " + testsupport::ShellQuote(path) +
                                    " -f framecrc - 2>" + testsupport::ShellQuote(errors));
  DecodeResult result;
  result.exitCode = run.exitCode;
  std::istringstream lines(run.output);
  for (std::string line; std::getline(lines, line);) result.frames += !line.empty() && line[0] != '#';
  result.messages = testsupport::Run("cat " + testsupport::ShellQuote(errors)).output;
  std::filesystem::remove(errors);
  return result;
}

RecordSession::RecordSession(const std::string& prefix) : home_(testsupport::MakeTempFolder(prefix)) {
  vorlix_ = std::make_unique<testsupport::VorlixProcess>(home_);
  if (vorlix_->MainWindow().empty()) return;
  // Out of the way of the region window, which opens in the middle of the screen.
  testsupport::Xdotool("windowmove --sync " + vorlix_->MainWindow() + " 20 20");
  std::this_thread::sleep_for(300ms);
}

RecordSession::~RecordSession() {
  vorlix_.reset();
  std::filesystem::remove_all(home_);
}

std::string RecordSession::ShowRegion() const {
  Click(kRegionX);
  const std::string region = testsupport::WaitForWindow(kRegionWindow, 10s);
  std::this_thread::sleep_for(500ms);
  return region;
}

bool RecordSession::StartRecording() const {
  ClickRecord();
  return testsupport::WaitUntil([] { return testsupport::FindWindows(kRegionWindow).empty(); }, 10s);
}

}  // namespace e2e
