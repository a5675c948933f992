#include "tests/support/vorlix_process.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/support/x_session.h"

namespace testsupport {

VorlixProcess::VorlixProcess(const std::string& home, const std::vector<std::string>& arguments)
    : home_(home), log_(home + "/messages.log") {
  std::filesystem::create_directories(home_);
  std::vector<std::string> argv{VORLIX_EXECUTABLE};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  process_ = std::make_unique<ChildProcess>(argv, std::map<std::string, std::string>{{"HOME", home_},
                                                                                     {"VORLIX_MESSAGE_LOG", log_}});
  // The main window is the one of this process with the main window's fixed client size; its
  // message boxes carry the same title.
  const std::string pid = std::to_string(process_->Pid());
  WaitUntil(
      [&] {
        for (const std::string& id : FindWindows("^Vorlix$")) {
          const WindowGeometry g = ClientOrigin(id);
          if (Run("xdotool getwindowpid " + id + " 2>/dev/null").output == pid + "\n" && g.width == 358 &&
              g.height == 104) {
            mainWindow_ = id;
          }
        }
        return !mainWindow_.empty();
      },
      kPatience);
}

VorlixProcess::~VorlixProcess() = default;

std::vector<std::string> VorlixProcess::Messages() const {
  std::vector<std::string> lines;
  std::ifstream in(log_);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool VorlixProcess::WaitForMessages(std::size_t count, std::chrono::milliseconds timeout) const {
  return WaitUntil([&] { return Messages().size() >= count; }, timeout);
}

std::string VorlixProcess::FindMessageBox() const {
  const std::string pid = std::to_string(process_->Pid()) + "\n";
  // Its message boxes are dialog windows; the region window and the marker are not.
  for (const std::string& id : FindWindows(".")) {
    if (id == mainWindow_ || Run("xdotool getwindowpid " + id + " 2>/dev/null").output != pid) continue;
    const std::string type = Run("xprop -id " + id + " _NET_WM_WINDOW_TYPE 2>/dev/null").output;
    if (type.find("_NET_WM_WINDOW_TYPE_DIALOG") != std::string::npos) return id;
  }
  return "";
}

bool VorlixProcess::AnswerMessageBox(std::chrono::milliseconds timeout) const {
  std::string box;
  if (!WaitUntil([&] { return !(box = FindMessageBox()).empty(); }, timeout)) return false;
  Xdotool("windowactivate --sync " + box);
  Xdotool("key Return");
  return WaitUntil([&] { return FindMessageBox() != box; }, timeout);
}

void VorlixProcess::ClickMainWindow(int x, int y) const {
  const WindowGeometry origin = ClientOrigin(mainWindow_);
  // The pointer leaves first: a synchronous move to where it already is would wait for a motion
  // that never comes.
  Xdotool("mousemove 0 0");
  Xdotool("mousemove --sync " + std::to_string(origin.x + x) + " " + std::to_string(origin.y + y));
  Xdotool("click 1");
}

}  // namespace testsupport
