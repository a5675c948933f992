#include "tests/help/xdg_sandbox.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/support/process.h"

namespace helptest {

namespace fs = std::filesystem;

XdgSandbox::XdgSandbox() {
  char pattern[] = "/tmp/vorlix-help-XXXXXX";  // no spaces: desktop files name the viewer by this path
  if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
  for (const char* dir : {"home", "data/applications", "system-data", "config", "system-config", "bin"}) {
    fs::create_directories(root_ + "/" + dir);
  }
  std::string realOpener = testsupport::Run("command -v xdg-open").output;
  while (!realOpener.empty() && (realOpener.back() == '\n' || realOpener.back() == ' ')) realOpener.pop_back();
  if (realOpener.empty()) realOpener = "/usr/bin/xdg-open";
  WriteFile(root_ + "/bin/xdg-open",
            "#!/bin/sh\nprintf '%s\\n' \"$*\" >> " + root_ + "/opener.log\nexec " + realOpener + " \"$@\"\n", true);
  WriteFile(root_ + "/bin/test-viewer",
            "#!/bin/sh\n"
            "for a in \"$@\"; do printf '%s\\n' \"$a\" >> " +
                root_ +
                "/viewer.log; done\n"
                "echo $$ >> " +
                root_ +
                "/viewer.pids\n"
                "exec sleep 20\n",  // a viewer stays open; the opener must not wait for it
            true);
}

XdgSandbox::~XdgSandbox() {
  // End the viewers this sandbox started (by their recorded ids), then remove everything.
  std::istringstream pids(ReadFile(root_ + "/viewer.pids"));
  for (int pid; pids >> pid;) {
    if (pid > 1) ::kill(pid, SIGTERM);
  }
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

std::map<std::string, std::string> XdgSandbox::Environment() const {
  const char* path = std::getenv("PATH");
  return {
      {"HOME", root_ + "/home"},
      {"XDG_DATA_HOME", root_ + "/data"},
      {"XDG_DATA_DIRS", root_ + "/system-data"},
      {"XDG_CONFIG_HOME", root_ + "/config"},
      {"XDG_CONFIG_DIRS", root_ + "/system-config"},
      {"XDG_MENU_PREFIX", ""},
      // No desktop environment: xdg-utils then use the XDG files above and nothing else.
      {"XDG_CURRENT_DESKTOP", ""},
      {"DESKTOP_SESSION", ""},
      {"KDE_FULL_SESSION", ""},
      {"GNOME_DESKTOP_SESSION_ID", ""},
      {"BROWSER", ""},
      {"PATH", root_ + "/bin:" + (path ? path : "/usr/bin:/bin")},
      {"VORLIX_MESSAGE_LOG", root_ + "/messages.log"},
  };
}

void XdgSandbox::ApplyToThisProcess() const {
  for (const auto& [key, value] : Environment()) ::setenv(key.c_str(), value.c_str(), 1);
}

void XdgSandbox::RegisterViewer(const std::string& mimeType) {
  WriteFile(root_ + "/data/applications/vorlix-test-viewer.desktop",
            "[Desktop Entry]\nType=Application\nName=Test viewer\nExec=" + root_ +
                "/bin/test-viewer %u\nTerminal=false\n");
  defaults_ += mimeType + "=vorlix-test-viewer.desktop\n";
  WriteFile(root_ + "/config/mimeapps.list", "[Default Applications]\n" + defaults_);
}

std::string XdgSandbox::ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void XdgSandbox::WriteFile(const std::string& path, const std::string& text, bool executable) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  if (executable) ::chmod(path.c_str(), 0755);
}

bool HasZombieChild(int pid) {
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string stat = XdgSandbox::ReadFile(entry.path().string() + "/stat");
    const auto close = stat.rfind(')');  // the command name may hold spaces and parentheses
    if (close == std::string::npos) continue;
    std::istringstream fields(stat.substr(close + 1));
    char state = 0;
    int parent = 0;
    fields >> state >> parent;
    if (parent == pid && state == 'Z') return true;
  }
  return false;
}

}  // namespace helptest
