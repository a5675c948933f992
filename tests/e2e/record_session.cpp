#include "tests/e2e/record_session.h"

#include <filesystem>
#include <thread>

#include "tests/support/process.h"
#include "tests/support/x_session.h"

namespace e2e {

using namespace std::chrono_literals;

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
  const std::string region = testsupport::WaitForWindow(kRegionWindow, testsupport::kPatience);
  std::this_thread::sleep_for(500ms);
  return region;
}

bool RecordSession::StartRecording() const {
  ClickRecord();
  return testsupport::WaitUntil([] { return testsupport::FindWindows(kRegionWindow).empty(); }, testsupport::kPatience);
}

}  // namespace e2e
