// The region window of the real program, driven from outside with xdotool.
#include <gtest/gtest.h>

#include <QWidget>
#include <QWindow>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/hotkey_probe.h"
#include "tests/support/image_probe.h"
#include "tests/support/process.h"
#include "tests/support/x_session.h"
#include "tests/windows/ui_wait.h"
#include "tests/windows/x_window_state.h"

using namespace std::chrono_literals;
using testsupport::GetGeometry;
using windowstest::HasAboveState;
using windowstest::PumpUntil;

namespace {

unsigned long Id(const std::string& window) { return std::stoul(window); }

// For failure messages: the region window's state and who is active.
std::string WindowStates(const std::string& region) {
  return testsupport::Run("xprop -id " + region + " _NET_WM_STATE; xprop -root _NET_ACTIVE_WINDOW").output;
}

class RegionProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vorlix-region-program-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    home_ = pattern;
  }
  void TearDown() override {
    program_.reset();
    std::filesystem::remove_all(home_);
  }

  void StartProgram() {
    program_ = std::make_unique<testsupport::ChildProcess>(
        std::vector<std::string>{VORLIX_EXECUTABLE},
        std::map<std::string, std::string>{{"HOME", home_}, {"VORLIX_MESSAGE_LOG", home_ + "/messages.log"}});
    main_ = testsupport::WaitForWindow("^Vorlix$", testsupport::kPatience);
    ASSERT_FALSE(main_.empty());
    ASSERT_TRUE(testsupport::WaitForProgramHotkeys(testsupport::kPatience));
  }

  // Clicks the Region button, the first of the main window's command row.
  std::string PressRegion() {
    const testsupport::WindowGeometry g = GetGeometry(main_);
    testsupport::Xdotool("mousemove " + std::to_string(g.x + 25) + " " + std::to_string(g.y + 22) + " click 1");
    return testsupport::WaitForWindow("^Screen capture Window$", testsupport::kPatience);
  }

  std::string home_;
  std::string main_;
  std::unique_ptr<testsupport::ChildProcess> program_;
};

TEST_F(RegionProgramTest, RegionButtonShowsItCentredOnTopAndAStillTakesTheAreaBelowTheStrip) {
  const testsupport::WindowGeometry screen = testsupport::ScreenSize();
  const testsupport::RgbImage pattern = testsupport::MakePattern(screen.width, screen.height);
  testsupport::PaintRoot(pattern);
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const std::string region = PressRegion();
  ASSERT_FALSE(region.empty());
  const testsupport::WindowGeometry g = GetGeometry(region);
  EXPECT_EQ(g.width, 485);
  EXPECT_EQ(g.height, 348);
  EXPECT_EQ(g.x, (screen.width - 485) / 2);
  EXPECT_EQ(g.y, (screen.height - 348) / 2);
  EXPECT_TRUE(PumpUntil([&] { return HasAboveState(Id(region)); }));

  // Client area at (g.x + 3, g.y + 1), w x h; the still is w x (h - 25) from 25 pixels lower.
  const int x = g.x + 3, y = g.y + 1, w = g.width - 7, h = g.height - 4;
  testsupport::Xdotool("key ctrl+shift+F2");
  const std::string file = home_ + "/Temp Vorlix/My screenshot.bmp";
  testsupport::RgbImage still;
  ASSERT_TRUE(testsupport::WaitUntil(
      [&] {
        if (!std::filesystem::exists(file)) return false;
        still = testsupport::ReadImage(file);
        return still.width > 0;
      },
      testsupport::kPatience));
  ASSERT_EQ(still.width, w);
  ASSERT_EQ(still.height, h - 25);
  int differing = 0;
  for (int row = 0; row < still.height; ++row) {
    for (int column = 0; column < still.width; ++column) {
      if (still.At(column, row) != pattern.At(x + column, y + 25 + row)) ++differing;
    }
  }
  EXPECT_EQ(differing, 0);
}

TEST_F(RegionProgramTest, RegionStepsBackWhileAnotherApplicationIsActive) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const std::string region = PressRegion();
  ASSERT_FALSE(region.empty());
  ASSERT_TRUE(PumpUntil([&] { return HasAboveState(Id(region)); })) << WindowStates(region);

  QWidget other;
  other.setWindowTitle("Another application");
  other.setGeometry(20, 20, 200, 100);
  other.show();
  ASSERT_TRUE(PumpUntil([&] { return other.windowHandle()->isExposed(); }));
  testsupport::Xdotool("windowactivate " + std::to_string(other.winId()));
  EXPECT_TRUE(PumpUntil([&] { return !HasAboveState(Id(region)); })) << WindowStates(region);
  EXPECT_FALSE(testsupport::FindWindows("^Screen capture Window$").empty());  // still shown

  testsupport::Xdotool("windowactivate " + main_);
  EXPECT_TRUE(PumpUntil([&] { return HasAboveState(Id(region)); })) << WindowStates(region);
}

}  // namespace
