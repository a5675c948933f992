#pragma once
// Folders that cannot be written to, for fault tests; root writes anywhere, so such a test runs
// the program as an ordinary user when it runs as root.
#include <filesystem>
#include <string>
#include <unistd.h>

namespace testsupport {

// Makes `parent`/ro, readable but not writable for anyone but root; returns its path.
inline std::string MakeReadOnlyFolder(const std::string& parent) {
  namespace fs = std::filesystem;
  const std::string folder = parent + "/ro";
  fs::create_directory(folder);
  fs::permissions(parent, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
  fs::permissions(folder,
                  fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read | fs::perms::others_exec);
  return folder;
}

// A shell prefix that runs a command as an ordinary user when this process is root.
inline std::string AsOrdinaryUser() {
  return ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
}

}  // namespace testsupport
