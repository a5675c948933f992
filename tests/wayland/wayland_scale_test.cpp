// The desktop of scripts/with-wayland.sh --scale 2: the output keeps its 1920x1080 pixels while the
// layout, and so the X root, has half that size.
#include <gtest/gtest.h>

#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/wayland/wayland_desktop.h"

TEST(WaylandScaledDesktop, OutputKeepsItsPixelsAndXSeesTheLogicalSize) {
  const testsupport::CommandResult geometry = testsupport::Run("xdotool getdisplaygeometry");
  ASSERT_EQ(geometry.exitCode, 0);
  EXPECT_EQ(geometry.output, "960 540\n");

  const testsupport::CommandResult scale = testsupport::Run("swaymsg -r -t get_outputs");
  ASSERT_EQ(scale.exitCode, 0);
  EXPECT_NE(scale.output.find("\"scale\": 2.0"), std::string::npos) << scale.output;

  const testsupport::RgbImage screen =
      waylandtest::Screenshot(testsupport::MakeTempFolder("wayland-scale") + "/screen.png");
  ASSERT_EQ(screen.width, 1920);
  ASSERT_EQ(screen.height, 1080);
  EXPECT_EQ(screen.At(1919, 1079), 0x3366ccu);
}
