// The program on an X server that has no other client, as in scripts and headless use. Such a
// server resets itself whenever its last client leaves and refuses connections meanwhile, so a
// program that opens one connection after another fails there at random.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "tests/support/process.h"
#include "tests/support/vorlix_process.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ShellQuote;

constexpr int kRunsPerMode = 10;
constexpr auto kPatience = 60s;

// A fresh Xvfb with nothing connected to it: no window manager, no client kept.
class BareXServer {
 public:
  BareXServer() : folder_(testsupport::MakeTempFolder("vorlix-bare")) {
    const std::string numberFile = folder_ + "/display";
    server_ = std::make_unique<testsupport::ChildProcess>(
        std::vector<std::string>{"sh", "-c",
                                 "exec Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp +extension MIT-SHM 3>" +
                                     ShellQuote(numberFile) + " 2>/dev/null"});
    testsupport::WaitUntil(
        [&] {
          std::ifstream in(numberFile);
          std::string number;
          if (in >> number) display_ = ":" + number;
          return !display_.empty() || !server_->Running();
        },
        kPatience);
  }
  ~BareXServer() {
    server_.reset();
    std::filesystem::remove_all(folder_);
  }
  const std::string& Display() const { return display_; }
  const std::string& Folder() const { return folder_; }

 private:
  std::string folder_;
  std::string display_;
  std::unique_ptr<testsupport::ChildProcess> server_;
};

enum class Mode { ListCodecs, Still, Record, Windows };

std::string Name(Mode mode) {
  switch (mode) {
    case Mode::ListCodecs: return "ListCodecs";
    case Mode::Still: return "Still";
    case Mode::Record: return "Record";
    case Mode::Windows: return "Windows";
  }
  return "";
}

// Runs `mode` once on `server`; "" when it succeeded, else what went wrong.
std::string RunOnce(Mode mode, const BareXServer& server) {
  const std::string vorlix = "DISPLAY=" + server.Display() + " " + std::string(VORLIX_EXECUTABLE);
  const std::string file = server.Folder() + "/out";
  switch (mode) {
    case Mode::ListCodecs: {
      const auto result = testsupport::Run(vorlix + " --list-codecs 2>&1");
      if (result.exitCode != 0 || result.output.find("MSVC") == std::string::npos)
        return "exit " + std::to_string(result.exitCode) + ": " + result.output;
      return "";
    }
    case Mode::Still: {
      const auto result = testsupport::Run(vorlix + " --still " + ShellQuote(file + ".bmp") + " 2>&1");
      if (result.exitCode != 0 || !std::filesystem::exists(file + ".bmp"))
        return "exit " + std::to_string(result.exitCode) + ": " + result.output;
      return "";
    }
    case Mode::Record: {
      const auto result =
          testsupport::Run(vorlix + " --record 1 " + ShellQuote(file + ".avi") + " --region 0,0,64,48 2>&1");
      if (result.exitCode != 0 || !std::filesystem::exists(file + ".avi"))
        return "exit " + std::to_string(result.exitCode) + ": " + result.output;
      return "";
    }
    case Mode::Windows: {
      testsupport::ChildProcess program({VORLIX_EXECUTABLE},
                                        {{"DISPLAY", server.Display()}, {"HOME", server.Folder()}});
      // The main window, seen by another client once the program is connected for good.
      const std::string search = "DISPLAY=" + server.Display() + " xdotool search --onlyvisible --name '^Vorlix$'";
      const bool shown = testsupport::WaitUntil(
          [&] { return !program.Running() || !testsupport::Run(search + " 2>/dev/null").output.empty(); }, kPatience);
      if (!shown || !program.Running()) return "the main window did not appear";
      program.Signal(SIGTERM);
      const int status = program.Wait(kPatience);
      return status == 0 ? "" : "ended with status " + std::to_string(status);
    }
  }
  return "unknown mode";
}

class BareServer : public ::testing::TestWithParam<Mode> {};

TEST_P(BareServer, EveryRunOnAFreshServerSucceeds) {
  for (int run = 0; run < kRunsPerMode; ++run) {
    BareXServer server;
    ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
    EXPECT_EQ(RunOnce(GetParam(), server), "") << "run " << run;
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, BareServer,
                         ::testing::Values(Mode::ListCodecs, Mode::Still, Mode::Record, Mode::Windows),
                         [](const auto& info) { return Name(info.param); });

}  // namespace
