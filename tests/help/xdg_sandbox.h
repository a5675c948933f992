#pragma once
// A private desktop for the help tests: its own home, XDG data and config folders (so no program of
// the machine is associated with anything), an xdg-open on PATH that logs each call before handing it
// on to the real one, and, on request, a test viewer registered as the default for a MIME type.
#include <map>
#include <string>

namespace helptest {

class XdgSandbox {
 public:
  XdgSandbox();
  ~XdgSandbox();
  XdgSandbox(const XdgSandbox&) = delete;
  XdgSandbox& operator=(const XdgSandbox&) = delete;

  const std::string& Root() const { return root_; }
  // The variables that make a process use this desktop.
  std::map<std::string, std::string> Environment() const;
  // Makes this process (and every process it starts from now on) use this desktop.
  void ApplyToThisProcess() const;

  // Registers the test viewer as the default program for `mimeType` (also "x-scheme-handler/...").
  // The viewer appends each argument as a line to ViewerLog() and then stays open for a while.
  void RegisterViewer(const std::string& mimeType);

  std::string ViewerLog() const { return ReadFile(root_ + "/viewer.log"); }
  std::string OpenerLog() const { return ReadFile(root_ + "/opener.log"); }
  std::string MessageLog() const { return ReadFile(root_ + "/messages.log"); }

  static std::string ReadFile(const std::string& path);
  static void WriteFile(const std::string& path, const std::string& text, bool executable = false);

 private:
  std::string root_;
  std::string defaults_;  // lines of the [Default Applications] group
};

// True when some child of `pid` is a zombie (ended but never waited for).
bool HasZombieChild(int pid);

}  // namespace helptest
