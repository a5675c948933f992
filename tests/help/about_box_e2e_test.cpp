// The About box in the real program: its size and place, modality, and the three ways to close it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "tests/help/app_session.h"
#include "tests/help/xdg_sandbox.h"
#include "tests/support/process.h"
#include "tests/support/x_session.h"

namespace {

using helptest::AppSession;
using helptest::XdgSandbox;
using testsupport::FindWindows;
using testsupport::WaitForWindow;
using testsupport::WaitUntil;
using testsupport::Xdotool;
using namespace std::chrono_literals;

std::string OpenAbout(const AppSession& app) {
  app.Choose(AppSession::MenuItem::About);
  return WaitForWindow("^About$", testsupport::kPatience);
}

// The client area's place on the screen as the X server has it (xwininfo's absolute position).
testsupport::WindowGeometry ClientOnScreen(const std::string& window) {
  testsupport::WindowGeometry g;
  const std::string info = testsupport::Run("xwininfo -id " + window).output;
  const auto value = [&](const std::string& key) {
    const auto at = info.find(key);
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + key.size());
  };
  g.x = value("Absolute upper-left X:");
  g.y = value("Absolute upper-left Y:");
  g.width = value("Width:");
  g.height = value("Height:");
  return g;
}

bool AboutClosed() {
  return WaitUntil([] { return FindWindows("^About$").empty(); }, testsupport::kPatience);
}

TEST(AboutBoxWindow, IsCentredWithItsSizeAndModal) {
  XdgSandbox sandbox;
  AppSession app(sandbox, AppSession::Manual::Installed);
  // Away from the centre, so that a box merely centred over the main window would show it.
  Xdotool("windowmove " + app.MainWindow() + " 0 0");
  ASSERT_TRUE(WaitUntil([&] { return ClientOnScreen(app.MainWindow()).x < 100; }, testsupport::kPatience));
  app.WaitUntilSettled();
  const std::string about = OpenAbout(app);
  ASSERT_FALSE(about.empty());
  const auto box = ClientOnScreen(about);
  EXPECT_EQ(box.width, 368);
  EXPECT_EQ(box.height, 213);
  // Centred on the screen; the window manager's frame (a title bar) may shift the client a little.
  const auto screen = testsupport::ScreenSize();
  EXPECT_LE(std::abs(box.x + box.width / 2 - screen.width / 2), 16) << box.x;
  EXPECT_LE(std::abs(box.y + box.height / 2 - screen.height / 2), 16) << box.y;

  // While it is shown the main window takes no input: its Exit button does not end the program.
  Xdotool("mousemove --window " + app.MainWindow() + " 333 22 click 1");
  std::this_thread::sleep_for(1s);
  EXPECT_TRUE(app.Running());
  EXPECT_FALSE(FindWindows("^About$").empty());
}

TEST(AboutBoxWindow, ClosesWithOkEnterAndTheCloseBox) {
  XdgSandbox sandbox;
  AppSession app(sandbox, AppSession::Manual::Installed);
  struct Way {
    const char* name;
    std::string (*action)(const std::string& window);
  };
  const Way ways[] = {
      {"OK button", [](const std::string& w) { return "mousemove --window " + w + " 184 192 click 1"; }},
      {"Enter", [](const std::string&) { return std::string("key Return"); }},
      // What the close box does: the window manager asks the window to close.
      {"close box", [](const std::string&) { return std::string("key alt+F4"); }},
  };
  for (const Way& way : ways) {
    const std::string about = OpenAbout(app);
    ASSERT_FALSE(about.empty()) << "About did not open before: " << way.name;
    Xdotool(way.action(about));
    EXPECT_TRUE(AboutClosed()) << way.name;
    EXPECT_TRUE(app.Running()) << way.name;
  }
}

}  // namespace
