// The command socket: where it lives, who may use it, and what is left of a program that ended.
#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/command_channel.h"
#include "tests/support/local_socket.h"
#include "tests/support/process.h"

namespace {

using platform::AskResult;
using Outcome = platform::AskResult::Outcome;

class CommandChannel : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime_ = std::filesystem::temp_directory_path() / ("vorlix-channel-" + std::to_string(::getpid()));
    std::filesystem::create_directory(runtime_);
    ::chmod(runtime_.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    ::setenv("DISPLAY", ":42", 1);
    path_ = platform::CommandSocketPath();
  }
  void TearDown() override { std::filesystem::remove_all(runtime_); }

  // Asks from another thread while this one runs the event loop that answers.
  AskResult AskWhileServing(const std::string& request) {
    auto asked =
        std::async(std::launch::async, [this, request] { return platform::AskRunningProgram(path_, request); });
    testsupport::WaitUntil(
        [&] {
          QCoreApplication::processEvents();
          return asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        },
        testsupport::kPatience);
    return asked.get();
  }

  int argc_ = 1;
  char name_[8] = "vorlix";
  char* argv_[2] = {name_, nullptr};
  QCoreApplication application_{argc_, argv_};
  std::filesystem::path runtime_;
  std::string path_;
};

TEST_F(CommandChannel, LivesInAPrivateRuntimeFolderElseInAPrivateFolderOfTheUsersOwn) {
  EXPECT_EQ(path_, (runtime_ / "vorlix-:42.socket").string());
  ::setenv("DISPLAY", ":42.0", 1);
  EXPECT_EQ(platform::CommandSocketPath(), path_) << "a screen of the same display";

  // Never a shared folder such as /tmp, where another user could make the name first.
  const std::filesystem::path home = runtime_ / "home", cache = runtime_ / "cache";
  ::setenv("HOME", home.c_str(), 1);
  ::unsetenv("XDG_CACHE_HOME");
  ::chmod(runtime_.c_str(), 0755);
  EXPECT_EQ(platform::CommandSocketPath(), (home / ".cache/vorlix/vorlix-:42.socket").string())
      << "a runtime folder others can read";
  struct stat info = {};
  ASSERT_EQ(::lstat((home / ".cache/vorlix").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  ::unsetenv("XDG_RUNTIME_DIR");
  ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
  EXPECT_EQ(platform::CommandSocketPath(), (cache / "vorlix/vorlix-:42.socket").string()) << "no runtime folder";

  // A link in the folder's place is not followed, wherever it leads.
  std::filesystem::remove(cache / "vorlix");
  std::filesystem::create_directory(runtime_ / "elsewhere");
  std::filesystem::create_directory_symlink(runtime_ / "elsewhere", cache / "vorlix");
  std::string why;
  EXPECT_EQ(platform::CommandSocketPath(&why), "");
  EXPECT_NE(why, "");
}

TEST_F(CommandChannel, OneProgramAnswersAndItsSocketGoesWithIt) {
  {
    platform::CommandListener listener;
    ASSERT_TRUE(listener.Listen(path_, [](const std::string& request) { return "got " + request; }))
        << listener.Error();
    platform::CommandListener second;
    EXPECT_FALSE(second.Listen(path_, [](const std::string&) { return std::string(); }));

    const AskResult asked = AskWhileServing("ping");
    EXPECT_EQ(asked.outcome, Outcome::Answered) << asked.why;
    EXPECT_EQ(asked.answer, "got ping");
  }
  EXPECT_FALSE(std::filesystem::exists(path_));
  EXPECT_EQ(platform::AskRunningProgram(path_, "ping").outcome, Outcome::NobodyListening);
}

TEST_F(CommandChannel, ASocketLeftByAProgramThatEndedIsRemovedOrReplaced) {
  ASSERT_TRUE(testsupport::LeaveAbandonedSocket(path_));
  EXPECT_EQ(platform::AskRunningProgram(path_, "ping").outcome, Outcome::NobodyListening);
  EXPECT_FALSE(std::filesystem::exists(path_)) << "the asking command cleans it up";

  ASSERT_TRUE(testsupport::LeaveAbandonedSocket(path_));
  platform::CommandListener listener;
  ASSERT_TRUE(listener.Listen(path_, [](const std::string&) { return std::string("here"); })) << listener.Error();
  EXPECT_EQ(AskWhileServing("ping").answer, "here");
}

TEST_F(CommandChannel, WhatIsNotThisUsersSocketIsNeverUsedNorRemoved) {
  std::ofstream(path_) << "a file of somebody's";
  EXPECT_EQ(platform::AskRunningProgram(path_, "ping").outcome, Outcome::NotOurs);
  platform::CommandListener listener;
  EXPECT_FALSE(listener.Listen(path_, [](const std::string&) { return std::string(); }));
  EXPECT_TRUE(std::filesystem::is_regular_file(path_));

  // Another user's socket can only be made by root.
  if (::geteuid() != 0) return;
  std::filesystem::remove(path_);
  ASSERT_TRUE(testsupport::LeaveAbandonedSocket(path_));
  ASSERT_EQ(::chown(path_.c_str(), 65534, 65534), 0);
  EXPECT_EQ(platform::AskRunningProgram(path_, "ping").outcome, Outcome::NotOurs);
  EXPECT_FALSE(listener.Listen(path_, [](const std::string&) { return std::string(); }));
  EXPECT_TRUE(std::filesystem::exists(path_));
}

// Connections of the test's own, opened without waiting: a full queue refuses instead of blocking.
int ConnectWithoutWaiting(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) return fd;
  ::close(fd);
  return -1;
}

// True when the other end has closed `fd`.
bool ClosedByPeer(int fd) {
  pollfd wait = {fd, POLLIN, 0};
  char byte;
  return ::poll(&wait, 1, 0) == 1 && ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
}

TEST_F(CommandChannel, AFloodOfSilentConnectionsHoldsFewDescriptorsAndKeepsNobodyOut) {
  platform::CommandListener listener;
  ASSERT_TRUE(listener.Listen(path_, [](const std::string& request) { return "got " + request; })) << listener.Error();
  constexpr std::size_t kFlood = 300;
  std::vector<int> flood;
  std::atomic<bool> flooded = false;
  std::thread flooder([&] {
    for (int tries = 0; flood.size() < kFlood && tries < 100000; ++tries) {
      const int fd = ConnectWithoutWaiting(path_);
      if (fd >= 0) flood.push_back(fd);
      else std::this_thread::sleep_for(std::chrono::milliseconds(1));  // the queue is full: let it be taken
    }
    flooded = true;
  });
  testsupport::WaitUntil(
      [&] {
        QCoreApplication::processEvents();
        return flooded.load();
      },
      testsupport::kPatience);
  flooder.join();
  ASSERT_EQ(flood.size(), kFlood);

  const AskResult asked = AskWhileServing("ping");
  EXPECT_EQ(asked.outcome, Outcome::Answered) << asked.why;
  EXPECT_EQ(asked.answer, "got ping");
  const auto held = std::count_if(flood.begin(), flood.end(), [](int fd) { return !ClosedByPeer(fd); });
  EXPECT_LE(static_cast<std::size_t>(held), platform::CommandListener::kMaxConnections);

  // Those that never send are let go after a while.
  EXPECT_TRUE(testsupport::WaitUntil(
      [&] {
        QCoreApplication::processEvents();
        return std::all_of(flood.begin(), flood.end(), ClosedByPeer);
      },
      testsupport::kPatience));
  for (const int fd : flood) ::close(fd);
}

TEST_F(CommandChannel, OutOfDescriptorsTheListenerRestsAndServesWhenTheyAreBack) {
#if defined(__SANITIZE_ADDRESS__)
  // The checkers need descriptors of their own (UBSan tests memory through a pipe): without any,
  // they report sound code.
  GTEST_SKIP() << "no descriptors are left for the sanitizers' own checks";
#endif
  platform::CommandListener listener;
  ASSERT_TRUE(listener.Listen(path_, [](const std::string& request) { return "got " + request; })) << listener.Error();
  const int client = testsupport::ConnectLocal(path_);  // waits in the queue until accepted
  ASSERT_GE(client, 0);
  ASSERT_EQ(::write(client, "ping\n", 5), 5);

  // The lowest free descriptor becomes the limit: the listener's accept fails with EMFILE.
  const int probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(probe, 0);
  ::close(probe);
  rlimit saved = {};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit lowered = saved;
  lowered.rlim_cur = static_cast<rlim_t>(probe);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
  // A listener that keeps trying wakes the event loop without end; one that rests, a few times a
  // second. A slower machine only wakes it less.
  int wakeUps = 0;
  QObject counting;
  QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, &counting,
                   [&] { ++wakeUps; });
  QEventLoop second;
  QTimer::singleShot(1000, &second, &QEventLoop::quit);
  second.exec();
  ::setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_LT(wakeUps, 100);

  std::string answer;
  EXPECT_TRUE(testsupport::WaitUntil(
      [&] {
        QCoreApplication::processEvents();
        char buffer[64];
        const ssize_t n = ::recv(client, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (n > 0) answer.append(buffer, static_cast<std::size_t>(n));
        return answer.find('\n') != std::string::npos;
      },
      testsupport::kPatience));
  EXPECT_EQ(answer, "got ping\n");
  ::close(client);
}

TEST_F(CommandChannel, AskingAProgramWhoseQueueIsFullGivesUpInTime) {
  // A program that listens and never accepts, its queue full.
  const int listening = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path_.c_str());
  ASSERT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(::listen(listening, 0), 0);
  std::vector<int> queued;
  for (int fd; queued.size() < 1000 && (fd = ConnectWithoutWaiting(path_)) >= 0;) queued.push_back(fd);
  ASSERT_LT(queued.size(), 1000u);

  auto asked = std::async(std::launch::async, [this] { return platform::AskRunningProgram(path_, "ping"); });
  const bool gaveUp = asked.wait_for(testsupport::kPatience) == std::future_status::ready;
  ::close(listening);  // frees an ask that would else wait for ever
  for (const int fd : queued) ::close(fd);
  EXPECT_TRUE(gaveUp) << "connect waited without a time limit";
  EXPECT_EQ(asked.get().outcome, Outcome::Failed);
}

}  // namespace
