// Stills on a 16-bit display: the BMP keeps the display's depth as 5-5-5.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/support/image_probe.h"
#include "tests/support/vorlix_process.h"
#include "tests/support/x_session.h"

using namespace std::chrono_literals;

TEST(StillsOnSixteenBitDisplay, BmpIs555WithTheScreensColours) {
  const testsupport::WindowGeometry screen = testsupport::ScreenSize();
  const testsupport::RgbImage pattern = testsupport::MakePattern(screen.width, screen.height);
  testsupport::PaintRoot(pattern);
  // What the display shows, read by an independent client before Vorlix's window is up.
  const testsupport::RgbImage shown = testsupport::ReadScreen();
  testsupport::VorlixProcess vorlix(testsupport::MakeTempFolder("vorlix-home"));
  ASSERT_FALSE(vorlix.MainWindow().empty());
  vorlix.ClickMainWindow(128, 22);  // To File
  const std::string path = vorlix.OutputFolder() + "My screenshot.bmp";
  testsupport::RgbImage still;
  ASSERT_TRUE(testsupport::WaitUntil(
      [&] {
        still = testsupport::ReadImage(path);
        return still.width > 0;
      },
      testsupport::kPatience));

  std::ifstream in(path, std::ios::binary);
  char header[54] = {};
  in.read(header, sizeof header);
  EXPECT_EQ(header[28], 16);  // bits per pixel
  EXPECT_EQ(header[30], 0);   // BI_RGB: 5-5-5 with no masks
  ASSERT_EQ(still.width, screen.width);
  ASSERT_EQ(still.height, screen.height);
  // Red and blue have five bits on both
  // sides (the readers widen them to eight bits with their own rounding); green has six on the
  // screen and five in the file, so it may be half a step off.
  ASSERT_EQ(shown.width, screen.width);
  int bad = 0;
  for (int y = 0; y < screen.height; ++y) {
    for (int x = 0; x < screen.width; ++x) {
      const std::uint32_t a = still.At(x, y), b = shown.At(x, y);
      auto off = [&](int shift) {
        return std::abs(static_cast<int>((a >> shift) & 0xff) - static_cast<int>((b >> shift) & 0xff));
      };
      if (off(16) > 2 || off(8) > 6 || off(0) > 2) ++bad;
    }
  }
  EXPECT_EQ(bad, 0);
}
