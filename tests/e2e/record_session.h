#pragma once
// The real program on a private X server, driven by clicks on its main window for recordings,
// and what ffprobe reads of the videos it writes.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/vorlix_process.h"

namespace e2e {

// Places of the command row's buttons in the main window's client area.
constexpr int kRegionX = 25, kStillX = 128, kRecordX = 231, kExitX = 333, kButtonY = 22;
inline constexpr char kRegionWindow[] = "^Screen capture Window$";

// The program started with a home folder of its own, its main window moved out of the way.
class RecordSession {
 public:
  explicit RecordSession(const std::string& prefix);
  ~RecordSession();

  testsupport::VorlixProcess& Vorlix() { return *vorlix_; }
  std::string VideoPath(const std::string& name) const { return vorlix_->OutputFolder() + name; }
  void Click(int x) const { vorlix_->ClickMainWindow(x, kButtonY); }
  // Shows the region window; its X id, or "" when it did not appear.
  std::string ShowRegion() const;
  // Clicks Record and waits until the region window has gone for the recording.
  bool StartRecording() const;
  void ClickRecord() const { Click(kRecordX); }

 private:
  std::string home_;
  std::unique_ptr<testsupport::VorlixProcess> vorlix_;
};

}  // namespace e2e
