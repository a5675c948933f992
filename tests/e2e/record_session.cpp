#include "tests/e2e/record_session.h"

#include <filesystem>

#include "tests/support/process.h"
#include "tests/support/x_session.h"

namespace e2e {

RecordSession::RecordSession(const std::string& prefix) : home_(testsupport::MakeTempFolder(prefix)) {
  vorlix_ = std::make_unique<testsupport::VorlixProcess>(home_);
  if (vorlix_->MainWindow().empty()) return;
  // Out of the way of the region window, which opens in the middle of the screen.
  testsupport::Xdotool("windowmove --sync " + vorlix_->MainWindow() + " 20 20");
  testsupport::WaitUntilSettled(vorlix_->MainWindow(), testsupport::kPatience);
}

RecordSession::~RecordSession() {
  vorlix_.reset();
  std::filesystem::remove_all(home_);
}

std::string RecordSession::ShowRegion() const {
  Click(kRegionX);
  const std::string region = testsupport::WaitForWindow(kRegionWindow, testsupport::kPatience);
  if (!region.empty()) testsupport::WaitUntilSettled(region, testsupport::kPatience);
  return region;
}

bool RecordSession::StartRecording() const {
  ClickRecord();
  return testsupport::WaitUntil([] { return testsupport::FindWindows(kRegionWindow).empty(); }, testsupport::kPatience);
}

}  // namespace e2e
