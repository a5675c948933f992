#include "tests/support/vorlix_process.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "tests/support/x_session.h"

namespace testsupport {

std::string MakeTempFolder(const std::string& prefix) {
  std::string pattern = "/tmp/" + prefix + "-XXXXXX";
  return mkdtemp(pattern.data());
}

VorlixProcess::VorlixProcess(const std::string& home, const std::vector<std::string>& arguments)
    : home_(home), log_(home + "/messages.log") {
  std::filesystem::create_directories(home_);
  const std::set<std::string> before = [] {
    const auto ids = FindWindows("^Vorlix$");
    return std::set<std::string>(ids.begin(), ids.end());
  }();
  std::vector<std::string> argv{VORLIX_EXECUTABLE};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  process_ = std::make_unique<ChildProcess>(argv, std::map<std::string, std::string>{
                                                      {"HOME", home_}, {"VORLIX_MESSAGE_LOG", log_}});
  WaitUntil([&] {
    for (const std::string& id : FindWindows("^Vorlix$")) {
      if (!before.count(id)) mainWindow_ = id;
    }
    return !mainWindow_.empty();
  }, std::chrono::seconds(15));
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

void VorlixProcess::ClickMainWindow(int x, int y) const {
  const WindowGeometry origin = ClientOrigin(mainWindow_);
  Xdotool("mousemove --sync " + std::to_string(origin.x + x) + " " + std::to_string(origin.y + y));
  Xdotool("click 1");
}

}  // namespace testsupport
