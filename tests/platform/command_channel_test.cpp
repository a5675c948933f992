// The command socket: where it lives, who may use it, and what is left of a program that ended.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

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

TEST_F(CommandChannel, LivesInAPrivateRuntimeFolderElseInAFolderOfOurOwn) {
  EXPECT_EQ(path_, (runtime_ / "vorlix-:42.socket").string());
  ::setenv("DISPLAY", ":42.0", 1);
  EXPECT_EQ(platform::CommandSocketPath(), path_) << "a screen of the same display";

  const std::string ownFolder = "/tmp/vorlix-" + std::to_string(::getuid());
  ::chmod(runtime_.c_str(), 0755);
  EXPECT_EQ(platform::CommandSocketPath(), ownFolder + "/vorlix-:42.socket") << "a runtime folder others can read";
  ::unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(platform::CommandSocketPath(), ownFolder + "/vorlix-:42.socket") << "no runtime folder";
  struct stat info = {};
  ASSERT_EQ(::lstat(ownFolder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
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

}  // namespace
