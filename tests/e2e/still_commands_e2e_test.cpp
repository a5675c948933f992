// vorlix --clipboard and --to-file with the real program: a running window takes the still as
// its hotkeys do; without one the command takes it itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <poll.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/command_channel.h"
#include "tests/support/hotkey_probe.h"
#include "tests/support/image_probe.h"
#include "tests/support/local_socket.h"
#include "tests/support/process.h"
#include "tests/support/vorlix_process.h"
#include "tests/support/x_session.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ShellQuote;

// Runs vorlix with `arguments` and HOME = `home`; standard error goes with standard output.
testsupport::CommandResult Vorlix(const std::string& home, const std::string& arguments,
                                  const std::string& program = VORLIX_EXECUTABLE) {
  return testsupport::Run("HOME=" + ShellQuote(home) + " " + ShellQuote(program) + " " + arguments + " 2>&1");
}

testsupport::RgbImage PastedImage(const std::string& folder) {
  const std::string pasted = folder + "/pasted.png";
  testsupport::Run("xclip -selection clipboard -t image/png -o > " + ShellQuote(pasted) + " 2>/dev/null");
  return testsupport::ReadImage(pasted);
}

int PermissionsOf(const std::string& path) {
  struct stat info = {};
  return ::stat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
}

std::string ReadAnswer(int fd) {
  std::string answer;
  char buffer[512];
  pollfd wait = {fd, POLLIN, 0};
  while (answer.find('\n') == std::string::npos && ::poll(&wait, 1, 60000) > 0) {
    const ssize_t n = ::read(fd, buffer, sizeof(buffer));
    if (n <= 0) break;
    answer.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return answer;
}

TEST(StillCommands, TheRunningWindowTakesTheStillNumberedAsItsHotkeysDo) {
  const testsupport::WindowGeometry screen = testsupport::ScreenSize();
  testsupport::VorlixProcess vorlix(testsupport::MakeTempFolder("vorlix-home"));
  ASSERT_FALSE(vorlix.MainWindow().empty());
  ASSERT_TRUE(testsupport::WaitForProgramHotkeys(testsupport::kPatience));
  const std::string elsewhere = testsupport::MakeTempFolder("vorlix-command-home");

  const auto first = Vorlix(elsewhere, "--to-file");
  EXPECT_EQ(first.exitCode, 0) << first.output;
  EXPECT_EQ(first.output, vorlix.OutputFolder() + "My screenshot.bmp\n");
  testsupport::Xdotool("key ctrl+shift+F2");
  const std::string byHotkey = vorlix.OutputFolder() + "001_My screenshot.bmp";
  ASSERT_TRUE(
      testsupport::WaitUntil([&] { return testsupport::ReadImage(byHotkey).width > 0; }, testsupport::kPatience));
  const auto third = Vorlix(elsewhere, "--to-file");
  EXPECT_EQ(third.exitCode, 0) << third.output;
  EXPECT_EQ(third.output, vorlix.OutputFolder() + "002_My screenshot.bmp\n");
  const testsupport::RgbImage still = testsupport::ReadImage(vorlix.OutputFolder() + "002_My screenshot.bmp");
  EXPECT_EQ(still.width, screen.width);
  EXPECT_EQ(still.height, screen.height);

  const auto copied = Vorlix(elsewhere, "--clipboard");
  EXPECT_EQ(copied.exitCode, 0) << copied.output;
  EXPECT_EQ(PastedImage(elsewhere).width, screen.width);
  EXPECT_FALSE(fs::exists(elsewhere + "/Temp Vorlix")) << "the command took a still itself";
  EXPECT_TRUE(vorlix.Messages().empty());
  EXPECT_EQ(PermissionsOf(vorlix.OutputFolder()), 0700) << "pictures of the screen are the user's alone";
}

TEST(StillCommands, AStillInProgressIgnoresTheNextCommandAsItIgnoresHotkeys) {
  testsupport::VorlixProcess vorlix(testsupport::MakeTempFolder("vorlix-home"));
  ASSERT_FALSE(vorlix.MainWindow().empty());
  const std::string path = platform::CommandSocketPath();  // listened at before the window shows

  // Both requests wait in the socket while the window is stopped: the first one read starts a
  // still, and the second arrives while it is in progress.
  vorlix.Process().Signal(SIGSTOP);
  const int a = testsupport::ConnectLocal(path), b = testsupport::ConnectLocal(path);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  ASSERT_EQ(::write(a, "to-file\n", 8), 8);
  ASSERT_EQ(::write(b, "to-file\n", 8), 8);
  vorlix.Process().Signal(SIGCONT);
  std::vector<std::string> answers = {ReadAnswer(a), ReadAnswer(b)};
  std::sort(answers.begin(), answers.end());
  EXPECT_EQ(answers, (std::vector<std::string>{"busy\n", "taken " + vorlix.OutputFolder() + "My screenshot.bmp\n"}));
  EXPECT_FALSE(fs::exists(vorlix.OutputFolder() + "001_My screenshot.bmp"));

  // The window takes the next one again.
  const auto next = Vorlix(vorlix.Home(), "--to-file");
  EXPECT_EQ(next.exitCode, 0) << next.output;
  EXPECT_EQ(next.output, vorlix.OutputFolder() + "001_My screenshot.bmp\n");
}

TEST(StillCommands, WithoutAWindowTheCommandTakesTheStillItself) {
  const testsupport::WindowGeometry screen = testsupport::ScreenSize();
  const std::string home = testsupport::MakeTempFolder("vorlix-command-home");
  const std::string path = platform::CommandSocketPath();
  ASSERT_TRUE(testsupport::LeaveAbandonedSocket(path));  // as a window that crashed leaves it

  const auto toFile = Vorlix(home, "--to-file");
  EXPECT_EQ(toFile.exitCode, 0) << toFile.output;
  EXPECT_EQ(toFile.output, home + "/Temp Vorlix/My screenshot.bmp\n");
  EXPECT_EQ(testsupport::ReadImage(home + "/Temp Vorlix/My screenshot.bmp").width, screen.width);
  EXPECT_EQ(PermissionsOf(home + "/Temp Vorlix"), 0700);
  EXPECT_FALSE(fs::exists(path)) << "the abandoned socket is cleaned up";

  // The clipboard lives as long as its owner: a process of the command's offers it until another
  // program takes the clipboard over. A name of its own tells that process from others.
  const std::string program = home + "/vorlix-offer";
  fs::create_symlink(VORLIX_EXECUTABLE, program);
  const auto copied = Vorlix(home, "--clipboard", program);
  EXPECT_EQ(copied.exitCode, 0) << copied.output;
  // The bracket keeps the pattern from matching the shell that runs pgrep.
  const std::string pattern = home + "/[v]orlix-offer --clipboard";
  auto offering = [&] { return testsupport::Run("pgrep -f " + ShellQuote(pattern)).exitCode == 0; };
  EXPECT_TRUE(offering());
  EXPECT_EQ(PastedImage(home).width, screen.width);
  // xclip stays to serve what it took: it must not hold our pipe.
  testsupport::Run("echo taken over | xclip -selection clipboard -i >/dev/null 2>&1");
  EXPECT_TRUE(testsupport::WaitUntil([&] { return !offering(); }, testsupport::kPatience));
}

TEST(StillCommands, AWindowStartedOverAnAbandonedSocketServesIt) {
  ASSERT_TRUE(testsupport::LeaveAbandonedSocket(platform::CommandSocketPath()));
  testsupport::VorlixProcess vorlix(testsupport::MakeTempFolder("vorlix-home"));
  ASSERT_FALSE(vorlix.MainWindow().empty());
  const std::string elsewhere = testsupport::MakeTempFolder("vorlix-command-home");
  // The window listens before it shows.
  const auto taken = Vorlix(elsewhere, "--to-file");
  EXPECT_EQ(taken.exitCode, 0) << taken.output;
  EXPECT_TRUE(fs::exists(vorlix.OutputFolder() + "My screenshot.bmp"));
  EXPECT_FALSE(fs::exists(elsewhere + "/Temp Vorlix"));
}

TEST(StillCommands, AFailedStillIsAnsweredAsFailedAndNoStillRunsWhileItsMessageIsUp) {
  testsupport::VorlixProcess vorlix(testsupport::MakeTempFolder("vorlix-home"));
  ASSERT_FALSE(vorlix.MainWindow().empty());
  const std::string elsewhere = testsupport::MakeTempFolder("vorlix-command-home");
  // The folder gone, the next still cannot be created (a read-only folder would not stop root).
  fs::remove_all(vorlix.OutputFolder());

  auto failed = std::async(std::launch::async, [&] { return Vorlix(elsewhere, "--to-file"); });
  ASSERT_TRUE(vorlix.WaitForMessages(1, testsupport::kPatience));
  EXPECT_NE(vorlix.Messages().at(0).find("Cannot create file"), std::string::npos) << vorlix.Messages().at(0);
  // Its message is part of the still: a command meanwhile is not taken.
  const auto during = Vorlix(elsewhere, "--clipboard");
  EXPECT_EQ(during.exitCode, 1) << during.output;
  EXPECT_NE(during.output.find("another still"), std::string::npos) << during.output;
  ASSERT_TRUE(vorlix.AnswerMessageBox(testsupport::kPatience));
  const auto answer = failed.get();
  EXPECT_EQ(answer.exitCode, 1) << "a failed still answered as taken: " << answer.output;
  EXPECT_EQ(answer.output.find(vorlix.OutputFolder()), std::string::npos) << answer.output;
}

TEST(StillCommands, AFloodOfSilentConnectionsLeavesTheWindowTakingStills) {
  testsupport::VorlixProcess vorlix(testsupport::MakeTempFolder("vorlix-home"));
  ASSERT_FALSE(vorlix.MainWindow().empty());
  ASSERT_TRUE(testsupport::WaitForProgramHotkeys(testsupport::kPatience));
  const std::string path = platform::CommandSocketPath();
  // More connections than the window may open descriptors (it started with this process's limit).
  rlimit limit = {};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
  const rlim_t windowLimit = limit.rlim_cur;
  limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, windowLimit + 2048);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
  const std::size_t flood = static_cast<std::size_t>(std::min<rlim_t>(windowLimit + 256, limit.rlim_cur - 256));
  std::vector<int> silent;
  const auto deadline = std::chrono::steady_clock::now() + testsupport::kPatience;
  while (silent.size() < flood && std::chrono::steady_clock::now() < deadline) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
      silent.push_back(fd);
    } else {
      ::close(fd);
      ::usleep(1000);  // the window's queue is full: let it take some
    }
  }
  EXPECT_EQ(silent.size(), flood);

  // A still during the flood, by hotkey, and one by command.
  testsupport::Xdotool("key ctrl+shift+F2");
  EXPECT_TRUE(testsupport::WaitUntil(
      [&] { return testsupport::ReadImage(vorlix.OutputFolder() + "My screenshot.bmp").width > 0; },
      testsupport::kPatience));
  const std::string elsewhere = testsupport::MakeTempFolder("vorlix-command-home");
  const auto command = Vorlix(elsewhere, "--to-file");
  EXPECT_EQ(command.exitCode, 0) << command.output;
  EXPECT_EQ(command.output, vorlix.OutputFolder() + "001_My screenshot.bmp\n");
  for (const int fd : silent) ::close(fd);
  EXPECT_TRUE(vorlix.Messages().empty());
}

TEST(StillCommands, AWindowThatFoundTheSocketTakenServesItOnceItIsFree) {
  // Held as a command that cleans up after an ended window holds it, for a moment.
  const std::string path = platform::CommandSocketPath();
  const int lock = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  testsupport::VorlixProcess vorlix(testsupport::MakeTempFolder("vorlix-home"));
  ASSERT_FALSE(vorlix.MainWindow().empty());
  ::close(lock);

  EXPECT_TRUE(testsupport::WaitUntil([&] { return fs::exists(path); }, testsupport::kPatience));
  const std::string elsewhere = testsupport::MakeTempFolder("vorlix-command-home");
  const auto taken = Vorlix(elsewhere, "--to-file");
  EXPECT_EQ(taken.exitCode, 0) << taken.output;
  EXPECT_EQ(taken.output, vorlix.OutputFolder() + "My screenshot.bmp\n");
}

}  // namespace
