// The real program on a Wayland desktop whose output has scale 2: X clients, the program among
// them, see a root of half the output's size, and a still in those coordinates holds what the
// output shows there, each of its pixels standing for two by two of the output's.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "tests/support/image_probe.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/wayland/vorlix_on_wayland.h"
#include "tests/wayland/wayland_desktop.h"

namespace {

using testsupport::ShellQuote;
using waylandtest::Rect;

constexpr std::uint32_t kOrange = 0xff8000;

int Channel(std::uint32_t colour, int shift) { return int((colour >> shift) & 0xff); }

// Pixels of `still` (of the X root's `area`) unlike the output's two by two pixels under each: equal
// where those four are of one colour, between the least and the most of them in each channel where
// they are not (on the edges of sway's title text, drawn at the output's resolution).
std::string UnlikeTheOutput(const testsupport::RgbImage& still, const Rect& area, const testsupport::RgbImage& screen) {
  long unlike = 0;
  std::string first;
  for (int y = 0; y < still.height; ++y) {
    for (int x = 0; x < still.width; ++x) {
      const int sx = 2 * (area.x + x), sy = 2 * (area.y + y);
      const std::uint32_t block[] = {screen.At(sx, sy), screen.At(sx + 1, sy), screen.At(sx, sy + 1),
                                     screen.At(sx + 1, sy + 1)};
      const std::uint32_t pixel = still.At(x, y);
      bool fits = true;
      for (int shift : {0, 8, 16}) {
        int low = 255, high = 0;
        for (std::uint32_t b : block) low = std::min(low, Channel(b, shift)), high = std::max(high, Channel(b, shift));
        fits = fits && Channel(pixel, shift) >= low && Channel(pixel, shift) <= high;
      }
      if (fits) continue;
      if (unlike++ == 0)
        first = "(" + std::to_string(x) + "," + std::to_string(y) + ") " + waylandtest::Hex(pixel) + " over output " +
                waylandtest::Hex(block[0]);
    }
  }
  return unlike == 0 ? "" : std::to_string(unlike) + " pixels unlike the output's, the first " + first;
}

TEST(VorlixOnScaledWayland, StillsInXCoordinatesHoldTheOutputsPixels) {
  ASSERT_EQ(waylandtest::OutputScale(), 2);
  const std::string folder = testsupport::MakeTempFolder("wayland-scaled-stills");
  const waylandtest::ColourWindow window("scaled-window", kOrange, 300, 200, 100, 100);
  ASSERT_GT(window.Content().width, 0) << "the colour window never showed";
  const Rect& c = window.Content();

  struct Case {
    const char* name;
    std::optional<Rect> region;
  };
  // A region across the window's top left corner: background, title bar, frame and window.
  const Case cases[] = {{"whole screen", std::nullopt}, {"region", Rect{c.x - 40, c.y - 30, 200, 160}}};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    const Rect area = test.region.value_or(Rect{0, 0, 960, 540});
    const std::string still = folder + "/" + test.name + ".bmp";
    std::string command = "HOME=" + ShellQuote(folder) + " " + ShellQuote(VORLIX_EXECUTABLE) + " --still " +
                          ShellQuote(still);
    if (test.region)
      command += " --region " + std::to_string(area.x) + "," + std::to_string(area.y) + "," +
                 std::to_string(area.width) + "," + std::to_string(area.height);
    const auto run = testsupport::Run(command + " 2>&1");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const testsupport::RgbImage screen = waylandtest::Screenshot(folder + "/screen.png");
    ASSERT_EQ(screen.width, 1920);
    const testsupport::RgbImage image = testsupport::ReadImage(still);
    ASSERT_EQ(image.width, area.width);
    ASSERT_EQ(image.height, area.height);
    EXPECT_EQ(UnlikeTheOutput(image, area, screen), "");
    // The window's middle, in the still's coordinates.
    EXPECT_EQ(waylandtest::Hex(image.At(c.x + c.width / 2 - area.x, c.y + c.height / 2 - area.y)),
              waylandtest::Hex(kOrange));
  }
}

}  // namespace
