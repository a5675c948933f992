// The command line of the real program.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/image_probe.h"
#include "tests/support/process.h"
#include "tests/support/vorlix_process.h"
#include "tests/support/x_session.h"

namespace {

using testsupport::ShellQuote;

std::string Vorlix(const std::string& arguments) { return std::string(VORLIX_EXECUTABLE) + " " + arguments; }

TEST(CommandLineEndToEnd, HelpVersionAndBadArgumentsNeedNoDisplay) {
  const auto help = testsupport::Run("DISPLAY= " + Vorlix("--help"));
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.output.find("--record SECONDS FILE"), std::string::npos);
  EXPECT_EQ(testsupport::Run("DISPLAY= " + Vorlix("--version")).output, "vorlix 1.1\n");
  const auto bad = testsupport::Run("DISPLAY= " + Vorlix("--fps 99 2>&1"));
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_EQ(bad.output.rfind("vorlix: ", 0), 0u);
}

TEST(CommandLineEndToEnd, MissingDisplayIsOneClearLine) {
  for (const char* display : {"", ":97"}) {
    const auto result = testsupport::Run(std::string("DISPLAY=") + display + " " + Vorlix("2>&1"));
    EXPECT_EQ(result.exitCode, 1) << display;
    EXPECT_EQ(result.output, "vorlix: cannot open the X display (is DISPLAY set and the X server running?)\n");
  }
}

TEST(CommandLineEndToEnd, StillOfARegionIsNumberedAndHoldsTheScreensPixels) {
  const testsupport::WindowGeometry screen = testsupport::ScreenSize();
  const testsupport::RgbImage pattern = testsupport::MakePattern(screen.width, screen.height);
  testsupport::PaintRoot(pattern);
  const std::string folder = testsupport::MakeTempFolder("vorlix-cli");
  const std::string name = folder + "/shot 'one'.bmp";
  const auto first = testsupport::Run(Vorlix("--still " + ShellQuote(name) + " --region 100,50,64,32"));
  const auto second = testsupport::Run(Vorlix("--still " + ShellQuote(name) + " --region 100,50,64,32"));
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(first.output, name + "\n");
  EXPECT_EQ(second.output, folder + "/001_shot 'one'.bmp\n");
  const testsupport::RgbImage still = testsupport::ReadImage(name);
  ASSERT_EQ(still.width, 64);
  ASSERT_EQ(still.height, 32);
  int bad = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) bad += still.At(x, y) != pattern.At(100 + x, 50 + y);
  EXPECT_EQ(bad, 0);

  const auto png = testsupport::Run(Vorlix("--still " + ShellQuote(folder + "/x.png") + " 2>&1"));
  EXPECT_EQ(png.exitCode, 2);
  EXPECT_FALSE(std::filesystem::exists(folder + "/x.png"));
  const auto missing = testsupport::Run(Vorlix("--still " + ShellQuote(folder + "/none/x.bmp") + " 2>&1"));
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.output.find("Cannot create file"), std::string::npos);
}

}  // namespace
