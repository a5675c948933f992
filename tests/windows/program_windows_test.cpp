#include "tests/windows/program_windows_test.h"

#include <QWindow>
#include <cstdlib>
#include <filesystem>

#include "app/ScreenUnit.h"
#include "app/startup.h"
#include "tests/windows/ui_wait.h"

void ProgramWindowsTest::SetUp() {
  char pattern[] = "/tmp/vorlix-windows-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  home_ = pattern;
  ::setenv("HOME", home_.c_str(), 1);
  ::setenv("VORLIX_MESSAGE_LOG", (home_ + "/messages.log").c_str(), 1);
  CreateWindows();
  ASSERT_TRUE(
      windowstest::PumpUntil([] { return ScreenForm->windowHandle() && ScreenForm->windowHandle()->isExposed(); }));
  windowstest::Pump(200);
}

void ProgramWindowsTest::TearDown() {
  DestroyWindows();
  std::filesystem::remove_all(home_);
}
