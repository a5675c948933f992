#pragma once
// Child processes for tests: run a command and read its output, or keep a program running.
#include <sys/types.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct CommandResult {
  int exitCode = -1;
  std::string output;  // standard output
};

// Runs `command` through /bin/sh and collects its standard output.
CommandResult Run(const std::string& command);
// Quotes a string for /bin/sh.
std::string ShellQuote(const std::string& text);

// A program started in the background, ended (SIGTERM, then SIGKILL) when it goes out of scope.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& extraEnv = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return pid_; }
  bool Running();
  void Signal(int signal);
  // Waits for the end; returns the exit status (128 + signal when killed), or -1 on time-out.
  int Wait(std::chrono::milliseconds timeout);

 private:
  pid_t pid_ = -1;
  int status_ = -1;
  bool reaped_ = false;
};

// The limit of a wait for something a working program does: long enough for a loaded two-core
// machine under sanitizers, so that only a real fault reaches it. A wait that succeeds ends as
// soon as its condition holds, so the limit costs nothing then.
inline constexpr std::chrono::seconds kPatience{60};

// Polls `condition` every 50 ms until it holds or `timeout` passes.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout);

}  // namespace testsupport

#include <thread>

template <typename Condition>
bool testsupport::WaitUntil(Condition condition, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return condition();
}
