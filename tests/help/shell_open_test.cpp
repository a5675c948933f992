// Opening documents and URLs with the desktop's program, on a private desktop (see xdg_sandbox.h).
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "platform/shell_open.h"
#include "tests/help/xdg_sandbox.h"
#include "tests/support/process.h"

namespace {

using helptest::XdgSandbox;
using namespace std::chrono_literals;
namespace result = platform::shell_result;

int Open(const std::string& target) { return platform::ShellOpen(QString::fromStdString(target)); }

class ShellOpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sandbox_.ApplyToThisProcess();
    std::filesystem::create_directories(Docs());
    // Enough of a PDF for the desktop to tell its type.
    XdgSandbox::WriteFile(Pdf(), "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n");
  }
  std::string Docs() const { return sandbox_.Root() + "/my docs"; }  // a space, as in many real folders
  std::string Pdf() const { return Docs() + "/manual.pdf"; }

  XdgSandbox sandbox_;
};

TEST_F(ShellOpenTest, RefusedTargetsSayWhyAndLaunchNothing) {
  struct Case {
    std::string target;
    int expected;
  };
  const Case cases[] = {
      {"", result::kFileNotFound},
      {Docs() + "/missing.pdf", result::kFileNotFound},
      {sandbox_.Root() + "/no folder/missing.pdf", result::kPathNotFound},
      {Pdf(), result::kNoAssociation},
      {"file://" + Pdf(), result::kNoAssociation},
      {"vorlix-test-scheme:anything", result::kNoAssociation},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Open(c.target), c.expected) << "target: '" << c.target << "'";
  }
  EXPECT_EQ(sandbox_.OpenerLog(), "") << "a refused target must start no opener";
}

TEST_F(ShellOpenTest, UnreadableFileIsAccessDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  sandbox_.RegisterViewer("application/pdf");
  std::filesystem::permissions(Pdf(), std::filesystem::perms::none);
  EXPECT_EQ(Open(Pdf()), result::kAccessDenied);
  EXPECT_EQ(sandbox_.OpenerLog(), "");
}

TEST_F(ShellOpenTest, RegisteredProgramsOpenDocumentsAndUrls) {
  sandbox_.RegisterViewer("application/pdf");
  sandbox_.RegisterViewer("x-scheme-handler/https");
  struct Case {
    std::string target;
    std::string viewerGets;
  };
  const Case cases[] = {
      {Pdf(), Pdf()},
      {"file://" + Pdf(), Pdf()},
      {"https://vorlix.org/", "https://vorlix.org/"},
  };
  std::string expectedLog;
  for (const Case& c : cases) {
    EXPECT_GT(Open(c.target), 32) << c.target;
    expectedLog += c.viewerGets + "\n";
    EXPECT_TRUE(testsupport::WaitUntil([&] { return sandbox_.ViewerLog() == expectedLog; }, testsupport::kPatience))
        << "viewer log:\n"
        << sandbox_.ViewerLog();
  }
}

TEST_F(ShellOpenTest, ReturnsWhileTheViewerRunsAndLeavesNoZombie) {
  sandbox_.RegisterViewer("application/pdf");
  ASSERT_GT(Open(Pdf()), 32);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !sandbox_.ViewerLog().empty(); }, testsupport::kPatience));
  // The viewer stays open for a while after writing its log: it is still there now that the call
  // has long returned, so the call did not wait for it.
  std::istringstream pids(XdgSandbox::ReadFile(sandbox_.Root() + "/viewer.pids"));
  int viewer = 0;
  pids >> viewer;
  ASSERT_GT(viewer, 1);
  EXPECT_EQ(::kill(viewer, 0), 0) << "the viewer should still be running";
  EXPECT_FALSE(helptest::HasZombieChild(::getpid()));
}

}  // namespace
