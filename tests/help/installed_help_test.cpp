// Help > Help in the program as a package lays it out: with no manual beside the executable, the
// manual opened is the installation's own, <prefix>/share/doc/vorlix/vorlix_help.pdf.
// VORLIX_INSTALLED_EXECUTABLE names an installed program (scripts/test-install.sh passes the
// unpacked package's and the one apt-get installed); without it the built program and manual are
// laid out here as an installation lays them out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "tests/help/xdg_sandbox.h"
#include "tests/support/process.h"
#include "tests/support/x_session.h"

namespace {

namespace fs = std::filesystem;
using helptest::XdgSandbox;
using namespace std::chrono_literals;

// Where the Help button sits in the main window's client area (as in app_session.cpp).
constexpr int kHelpButtonX = 284;
constexpr int kHelpButtonY = 22;

fs::path InstalledManual(const fs::path& executable) {
  return executable.parent_path().parent_path() / "share/doc/vorlix/vorlix_help.pdf";
}

// The built program and manual under <root>/prefix dir, in bin/ and share/doc/vorlix/.
fs::path LayOutAsInstalled(const std::string& root) {
  const fs::path prefix = fs::path(root) / "prefix dir";  // install prefixes may hold spaces
  const fs::path program = prefix / "bin/vorlix";
  fs::create_directories(program.parent_path());
  fs::copy_file(VORLIX_EXECUTABLE, program);
  const fs::path manual = InstalledManual(program);
  fs::create_directories(manual.parent_path());
  fs::copy_file(fs::path(VORLIX_EXECUTABLE).parent_path() / "vorlix_help.pdf", manual);
  return program;
}

// Clicks the Help button and picks the menu's first entry, Help, with the keyboard.
void ChooseHelp(const std::string& mainWindow) {
  // Qt names its popup only through _NET_WM_NAME, which a search by name does not see; its class it has.
  const auto programWindows = [] {
    return testsupport::Run("xdotool search --onlyvisible --classname '^vorlix$' 2>/dev/null | wc -l").output;
  };
  const std::string before = programWindows();
  const auto menuOpen = [&] { return programWindows() != before; };
  // A click that came while the program was still starting is repeated.
  bool open = false;
  for (int attempt = 0; attempt < 3 && !open; ++attempt) {
    testsupport::Xdotool("mousemove --window " + mainWindow + " " + std::to_string(kHelpButtonX) + " " +
                         std::to_string(kHelpButtonY));
    std::this_thread::sleep_for(200ms);
    testsupport::Xdotool("click 1");
    open = testsupport::WaitUntil(menuOpen, 10s);
  }
  ASSERT_TRUE(open) << "the Help menu did not open";
  testsupport::Xdotool("key Down Return");
}

TEST(InstalledHelp, OpensTheManualOfTheInstallation) {
  XdgSandbox sandbox;
  sandbox.RegisterViewer("application/pdf");
  const char* given = std::getenv("VORLIX_INSTALLED_EXECUTABLE");
  const fs::path program = given && *given ? fs::path(given) : LayOutAsInstalled(sandbox.Root());
  ASSERT_TRUE(fs::is_regular_file(program)) << program;
  // A manual beside the executable would be found first, and the installed one never looked for.
  ASSERT_FALSE(fs::exists(program.parent_path() / "vorlix_help.pdf"));
  const fs::path manual = fs::weakly_canonical(InstalledManual(program));
  ASSERT_TRUE(fs::is_regular_file(manual)) << manual;

  testsupport::ChildProcess app({program.string()}, sandbox.Environment());
  const std::string mainWindow = testsupport::WaitForWindow("^Vorlix$", testsupport::kPatience);
  ASSERT_FALSE(mainWindow.empty()) << "the main window did not appear";
  testsupport::WaitUntilSettled(mainWindow, testsupport::kPatience);
  ChooseHelp(mainWindow);
  if (HasFatalFailure()) return;

  EXPECT_TRUE(testsupport::WaitUntil([&] { return !sandbox.ViewerLog().empty(); }, testsupport::kPatience))
      << "Help opened nothing";
  EXPECT_EQ(sandbox.ViewerLog(), manual.string() + "\n");
  EXPECT_EQ(sandbox.MessageLog(), "");
}

}  // namespace
