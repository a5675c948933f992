#pragma once
// The real vorlix binary, installed with or without its manual into a folder of a private desktop
// (XdgSandbox), or an installed one, started there; driven with xdotool like a user would.
#include <memory>
#include <string>

#include "tests/help/xdg_sandbox.h"
#include "tests/support/process.h"

namespace helptest {

class AppSession {
 public:
  enum class Manual { Installed, Missing };
  AppSession(const XdgSandbox& sandbox, Manual manual);
  // Starts `program` where it is (an installation's), on the sandbox's desktop.
  AppSession(const XdgSandbox& sandbox, const std::string& program);

  // The folder holds a space, as install folders often do.
  std::string InstallDir() const { return sandbox_.Root() + "/install dir"; }
  std::string ManualPath() const { return InstallDir() + "/vorlix_help.pdf"; }
  void InstallManual() const;

  int Pid() const { return process_->Pid(); }
  bool Running() const { return process_->Running(); }
  const std::string& MainWindow() const { return mainWindow_; }
  // Waits until the main window stays put (the window manager places it after it is mapped).
  void WaitUntilSettled() const;

  // Clicks the Help button and picks an entry of its menu with the keyboard.
  enum class MenuItem { Help = 1, About = 2 };
  void Choose(MenuItem item) const;

 private:
  void Start(const std::string& program);

  const XdgSandbox& sandbox_;
  std::unique_ptr<testsupport::ChildProcess> process_;
  std::string mainWindow_;
};

}  // namespace helptest
