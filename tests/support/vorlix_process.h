#pragma once
// The real vorlix program, started for a test with a home folder and a message log of its own.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace testsupport {

class VorlixProcess {
 public:
  // Starts vorlix with HOME = `home` (created when missing) and waits for its main window.
  explicit VorlixProcess(const std::string& home, const std::vector<std::string>& arguments = {});
  ~VorlixProcess();

  const std::string& Home() const { return home_; }
  std::string OutputFolder() const { return home_ + "/Temp Vorlix/"; }
  // The X id of the main window, "" when it did not appear.
  const std::string& MainWindow() const { return mainWindow_; }
  ChildProcess& Process() { return *process_; }
  // "caption<TAB>text" of each message box shown so far.
  std::vector<std::string> Messages() const;
  // Waits until at least `count` boxes have been shown.
  bool WaitForMessages(std::size_t count, std::chrono::milliseconds timeout) const;
  // A message box (a dialog window) of this process on the screen, or "".
  std::string FindMessageBox() const;
  // Waits for a message box of this process to be on the screen and answers it with Enter.
  bool AnswerMessageBox(std::chrono::milliseconds timeout) const;
  // Clicks at (x, y) of the main window's client area.
  void ClickMainWindow(int x, int y) const;

 private:
  std::string home_;
  std::string log_;
  std::unique_ptr<ChildProcess> process_;
  std::string mainWindow_;
};

}  // namespace testsupport
