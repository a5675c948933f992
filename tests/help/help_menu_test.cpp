// Help > Help in the real program on a private desktop: the warning without a PDF viewer, silence
// without the manual, and the manual opened by the registered viewer.
#include <gtest/gtest.h>

#include <thread>

#include "tests/help/app_session.h"
#include "tests/help/xdg_sandbox.h"
#include "tests/support/x_session.h"

namespace {

using helptest::AppSession;
using helptest::XdgSandbox;
using testsupport::FindWindows;
using testsupport::WaitUntil;
using namespace std::chrono_literals;

const char kWarningLine[] = "Warning\tSorry, but there is no PDF viewer installed on your system.\n";

TEST(HelpMenu, WithoutPdfViewerWarns) {
  XdgSandbox sandbox;  // nothing is associated with anything
  AppSession app(sandbox, AppSession::Manual::Installed);
  app.Choose(AppSession::MenuItem::Help);
  EXPECT_TRUE(WaitUntil([&] { return sandbox.MessageLog() == kWarningLine; }, testsupport::kPatience))
      << "messages:\n"
      << sandbox.MessageLog();
  EXPECT_FALSE(testsupport::WaitForWindow("^Warning$", testsupport::kPatience).empty());
  EXPECT_EQ(sandbox.OpenerLog(), "") << "nothing may be launched without a viewer";
}

TEST(HelpMenu, WithoutManualDoesNothing) {
  XdgSandbox sandbox;
  sandbox.RegisterViewer("application/pdf");
  AppSession app(sandbox, AppSession::Manual::Missing);
  app.Choose(AppSession::MenuItem::Help);
  std::this_thread::sleep_for(2s);  // time enough for a box or a launch to show
  EXPECT_EQ(sandbox.MessageLog(), "");
  EXPECT_EQ(sandbox.OpenerLog(), "");
  EXPECT_TRUE(FindWindows("^Warning$").empty());
  EXPECT_TRUE(app.Running());

  // The same command with the manual in place does open it: the silence above was the missing file.
  app.InstallManual();
  app.Choose(AppSession::MenuItem::Help);
  EXPECT_TRUE(WaitUntil([&] { return sandbox.ViewerLog() == app.ManualPath() + "\n"; }, testsupport::kPatience))
      << "viewer got:\n"
      << sandbox.ViewerLog();
}

TEST(HelpMenu, WithPdfViewerOpensTheManualAndStaysResponsive) {
  XdgSandbox sandbox;
  sandbox.RegisterViewer("application/pdf");
  AppSession app(sandbox, AppSession::Manual::Installed);
  app.Choose(AppSession::MenuItem::Help);
  ASSERT_TRUE(WaitUntil([&] { return sandbox.ViewerLog() == app.ManualPath() + "\n"; }, testsupport::kPatience))
      << "viewer got:\n"
      << sandbox.ViewerLog();
  EXPECT_EQ(sandbox.OpenerLog(), app.ManualPath() + "\n");
  EXPECT_EQ(sandbox.MessageLog(), "");

  // The viewer is still open; the program answers all the same and has reaped what it started.
  app.Choose(AppSession::MenuItem::About);
  EXPECT_FALSE(testsupport::WaitForWindow("^About$", testsupport::kPatience).empty());
  EXPECT_FALSE(helptest::HasZombieChild(app.Pid()));
}

}  // namespace
