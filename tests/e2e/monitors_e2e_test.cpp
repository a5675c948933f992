// The real program on a screen of two monitors whose primary one is the right: the whole screen
// is the primary monitor, the windows centre on it, and a region anywhere is taken as it is.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/image_probe.h"
#include "tests/support/process.h"
#include "tests/support/video_probe.h"
#include "tests/support/vorlix_process.h"
#include "tests/support/x_session.h"

namespace {

using testsupport::ShellQuote;
using testsupport::WindowGeometry;

// The window manager's frame (a title bar) may shift a window's client area a little.
constexpr int kCentreTolerance = 16;

std::string Vorlix(const std::string& arguments) { return std::string(VORLIX_EXECUTABLE) + " " + arguments; }

class SeveralMonitors : public testing::Test {
 protected:
  void SetUp() override {
    primary_ = testsupport::PrimaryMonitor();
    // The test server's primary monitor is the right half: neither the origin's nor the screen.
    ASSERT_GT(primary_.x, 0);
    ASSERT_LT(primary_.width, testsupport::ScreenSize().width);
    folder_ = testsupport::MakeTempFolder("vorlix-monitors");
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // `window` is a client area, as xwininfo has it.
  void ExpectCentredOnPrimary(const WindowGeometry& window, const char* what) const {
    EXPECT_LE(std::abs(window.x + window.width / 2 - (primary_.x + primary_.width / 2)), kCentreTolerance)
        << what << " at x " << window.x;
    EXPECT_LE(std::abs(window.y + window.height / 2 - (primary_.y + primary_.height / 2)), kCentreTolerance)
        << what << " at y " << window.y;
  }

  WindowGeometry primary_;
  std::string folder_;
};

TEST_F(SeveralMonitors, WholeScreenStillHoldsThePrimaryMonitorsPixels) {
  const WindowGeometry screen = testsupport::ScreenSize();
  const testsupport::RgbImage pattern = testsupport::MakePattern(screen.width, screen.height);
  testsupport::PaintRoot(pattern);
  const std::string name = folder_ + "/whole.bmp";
  const auto run = testsupport::Run(Vorlix("--still " + ShellQuote(name)));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const testsupport::RgbImage still = testsupport::ReadImage(name);
  ASSERT_EQ(still.width, primary_.width);
  ASSERT_EQ(still.height, primary_.height);
  int differing = 0;
  for (int y = 0; y < still.height; ++y)
    for (int x = 0; x < still.width; ++x) differing += still.At(x, y) != pattern.At(primary_.x + x, primary_.y + y);
  EXPECT_EQ(differing, 0);
}

TEST_F(SeveralMonitors, RecordingTakesThePrimaryMonitorOrTheRegionWhereverItLies) {
  struct Case {
    const char* what;
    std::string region;
    int width, height;
  };
  const Case cases[] = {
      {"whole screen", "", primary_.width, primary_.height},
      {"region on the other monitor", " --region 64,96,320,240", 320, 240},
      {"region over the seam", " --region " + std::to_string(primary_.x - 128) + ",100,256,128", 256, 128},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string name = folder_ + "/clip" + std::to_string(n++) + ".avi";
    const auto run = testsupport::Run(Vorlix("--record 1 " + ShellQuote(name) + c.region + " --fps 5"));
    ASSERT_EQ(run.exitCode, 0) << c.what << "\n" << run.output;
    const testsupport::VideoProbe probe = testsupport::ProbeVideo(name);
    EXPECT_EQ(probe.width, c.width) << c.what;
    EXPECT_EQ(probe.height, c.height) << c.what;
  }
}

TEST_F(SeveralMonitors, MainAndRegionWindowsCentreOnThePrimaryMonitor) {
  testsupport::VorlixProcess program(folder_ + "/home");
  const std::string main = program.MainWindow();
  ASSERT_FALSE(main.empty());
  ASSERT_TRUE(testsupport::WaitUntilSettled(main, testsupport::kPatience));
  ExpectCentredOnPrimary(testsupport::ClientOrigin(main), "main window");

  program.ClickMainWindow(25, 22);  // the Region button, first of the command row
  const std::string region = testsupport::WaitForWindow("^Screen capture Window$", testsupport::kPatience);
  ASSERT_FALSE(region.empty());
  ASSERT_TRUE(testsupport::WaitUntilSettled(region, testsupport::kPatience));
  ExpectCentredOnPrimary(testsupport::ClientOrigin(region), "region window");
}

}  // namespace
