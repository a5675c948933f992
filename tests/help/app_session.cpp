#include "tests/help/app_session.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "tests/support/x_session.h"

namespace helptest {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Where the Help button sits in the main window's client area.
constexpr int kHelpButtonX = 284;
constexpr int kHelpButtonY = 22;

std::string BuiltManual() { return (fs::path(VORLIX_EXECUTABLE).parent_path() / "vorlix_help.pdf").string(); }

}  // namespace

AppSession::AppSession(const XdgSandbox& sandbox, Manual manual) : sandbox_(sandbox) {
  fs::create_directories(InstallDir());
  const std::string program = InstallDir() + "/vorlix";
  fs::copy_file(VORLIX_EXECUTABLE, program, fs::copy_options::overwrite_existing);
  fs::permissions(program, fs::perms::owner_all, fs::perm_options::add);
  if (manual == Manual::Installed) InstallManual();
  Start(program);
}

AppSession::AppSession(const XdgSandbox& sandbox, const std::string& program) : sandbox_(sandbox) { Start(program); }

void AppSession::Start(const std::string& program) {
  process_ = std::make_unique<testsupport::ChildProcess>(std::vector<std::string>{program}, sandbox_.Environment());
  mainWindow_ = testsupport::WaitForWindow("^Vorlix$", testsupport::kPatience);
  if (mainWindow_.empty()) throw std::runtime_error("the main window did not appear");
  WaitUntilSettled();
}

void AppSession::WaitUntilSettled() const { testsupport::WaitUntilSettled(mainWindow_, testsupport::kPatience); }

void AppSession::InstallManual() const {
  fs::copy_file(BuiltManual(), ManualPath(), fs::copy_options::overwrite_existing);
}

void AppSession::Choose(MenuItem item) const {
  // Qt names its popup only through _NET_WM_NAME, which a search by name does not see; its class it has.
  const auto programWindows = [] {
    return testsupport::Run("xdotool search --onlyvisible --classname '^vorlix$' 2>/dev/null | wc -l").output;
  };
  const std::string before = programWindows();
  const auto menuOpen = [&] { return programWindows() != before; };
  // The menu is a second window of the program; keys go to it only once it is up. A click that
  // came too early (the program still starting) is repeated.
  bool open = false;
  for (int attempt = 0; attempt < 3 && !open; ++attempt) {
    testsupport::Xdotool("mousemove --window " + mainWindow_ + " " + std::to_string(kHelpButtonX) + " " +
                         std::to_string(kHelpButtonY));
    std::this_thread::sleep_for(200ms);
    testsupport::Xdotool("click 1");
    open = testsupport::WaitUntil(menuOpen, 10s);
  }
  if (!open) throw std::runtime_error("the Help menu did not open");
  std::string keys;
  for (int i = 0; i < static_cast<int>(item); ++i) keys += " Down";
  testsupport::Xdotool("key" + keys + " Return");
}
}  // namespace helptest
