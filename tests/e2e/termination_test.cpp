// The program ended from outside: the termination signals end it as its Exit command does.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "tests/support/vorlix_process.h"

namespace {

using namespace std::chrono_literals;

TEST(Termination, TerminationSignalsEndTheProgramLikeExit) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    const std::string home = testsupport::MakeTempFolder("vorlix-signal");
    testsupport::VorlixProcess vorlix(home);
    ASSERT_FALSE(vorlix.MainWindow().empty());
    vorlix.Process().Signal(signal);
    EXPECT_EQ(vorlix.Process().Wait(testsupport::kPatience), 0) << "a normal exit, not a death by the signal";
    std::filesystem::remove_all(home);
  }
}

TEST(Termination, ASignalWhileAMessageBoxIsOpenStillEndsTheProgram) {
  const std::string home = testsupport::MakeTempFolder("vorlix-signal");
  testsupport::VorlixProcess vorlix(home);
  ASSERT_FALSE(vorlix.MainWindow().empty());
  // Clipboard with nothing to complain about would not block; Record without a region is
  // disabled; a still into a folder that cannot be made shows a box and waits.
  std::filesystem::create_directories(home);
  std::filesystem::remove_all(vorlix.OutputFolder());
  {
    std::ofstream blocker(home + "/Temp Vorlix");  // a file where the folder should be
  }
  vorlix.ClickMainWindow(128, 22);  // To File
  ASSERT_TRUE(vorlix.WaitForMessages(1, testsupport::kPatience));
  vorlix.Process().Signal(SIGTERM);
  EXPECT_EQ(vorlix.Process().Wait(testsupport::kPatience), 0);
  std::filesystem::remove_all(home);
}

}  // namespace
