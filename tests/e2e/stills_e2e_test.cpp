// The real program on a private X server, driven from outside as a user would drive it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/hotkey_probe.h"
#include "tests/support/image_probe.h"
#include "tests/support/process.h"
#include "tests/support/vorlix_process.h"
#include "tests/support/x_session.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::VorlixProcess;

namespace {

// Bits per pixel from a BMP file's own header.
int BmpBitsPerPixel(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char header[30] = {};
  in.read(header, sizeof header);
  return static_cast<unsigned char>(header[28]);
}

// Pixels of `image` that differ from `pattern`, ignoring the rectangle `skip`.
int Mismatches(const testsupport::RgbImage& image, const testsupport::RgbImage& pattern,
               const testsupport::WindowGeometry& skip, unsigned channelMask = 0xffffff) {
  int bad = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (x >= skip.x && x < skip.x + skip.width && y >= skip.y && y < skip.y + skip.height) continue;
      if ((image.At(x, y) & channelMask) != (pattern.At(x, y) & channelMask)) ++bad;
    }
  }
  return bad;
}

// A window of another program, focused, so that Vorlix is in the background.
class OtherApplication {
 public:
  OtherApplication() : process_({"xmessage", "-geometry", "+20+20", "another application"}) {
    id_ = testsupport::WaitForWindow("^xmessage$", testsupport::kPatience);
    testsupport::Xdotool("windowactivate --sync " + id_);
    testsupport::WaitUntilSettled(id_, testsupport::kPatience);
  }
  // The decoration's size follows the window manager's theme and fonts: asked, not guessed.
  testsupport::WindowGeometry Frame() const { return testsupport::FrameGeometry(id_); }

 private:
  testsupport::ChildProcess process_;
  std::string id_;
};

TEST(StillsEndToEnd, StartsWithItsOutputFolderAndFixedClientSize) {
  const std::string home = testsupport::MakeTempFolder("vorlix-home");
  VorlixProcess vorlix(home);
  ASSERT_FALSE(vorlix.MainWindow().empty());
  EXPECT_TRUE(fs::is_directory(vorlix.OutputFolder()));
  const testsupport::WindowGeometry g = testsupport::GetGeometry(vorlix.MainWindow());
  EXPECT_EQ(g.width, 358);
  EXPECT_EQ(g.height, 104);
}

TEST(StillsEndToEnd, HotkeysTakeStillsWhileInTheBackground) {
  const testsupport::WindowGeometry screen = testsupport::ScreenSize();
  const testsupport::RgbImage pattern = testsupport::MakePattern(screen.width, screen.height);
  testsupport::PaintRoot(pattern);
  VorlixProcess vorlix(testsupport::MakeTempFolder("vorlix-home"));
  ASSERT_FALSE(vorlix.MainWindow().empty());
  ASSERT_TRUE(testsupport::WaitForProgramHotkeys(testsupport::kPatience));
  OtherApplication other;

  const char* names[] = {"My screenshot.bmp", "001_My screenshot.bmp", "002_My screenshot.bmp"};
  for (const char* name : names) {
    testsupport::Xdotool("key ctrl+shift+F2");
    const std::string path = vorlix.OutputFolder() + name;
    ASSERT_TRUE(
        testsupport::WaitUntil([&] { return fs::exists(path) && fs::file_size(path) > 0; }, testsupport::kPatience))
        << name;
  }
  const std::string first = vorlix.OutputFolder() + names[0];
  ASSERT_TRUE(testsupport::WaitUntil([&] { return testsupport::ReadImage(first).width > 0; }, testsupport::kPatience));
  EXPECT_EQ(BmpBitsPerPixel(first), 32);
  const testsupport::RgbImage still = testsupport::ReadImage(first);
  ASSERT_EQ(still.width, screen.width);
  ASSERT_EQ(still.height, screen.height);
  EXPECT_EQ(Mismatches(still, pattern, other.Frame()), 0);

  testsupport::Xdotool("key ctrl+shift+F1");
  const std::string pasted = vorlix.Home() + "/pasted.png";
  testsupport::RgbImage clip;
  ASSERT_TRUE(testsupport::WaitUntil(
      [&] {
        testsupport::Run("xclip -selection clipboard -t image/png -o > " + testsupport::ShellQuote(pasted) +
                         " 2>/dev/null");
        clip = testsupport::ReadImage(pasted);
        return clip.width > 0;
      },
      testsupport::kPatience));
  ASSERT_EQ(clip.width, screen.width);
  ASSERT_EQ(clip.height, screen.height);
  EXPECT_EQ(Mismatches(clip, pattern, other.Frame()), 0);
}

TEST(StillsEndToEnd, SecondInstanceReportsBothHotkeysAndKeepsItsButtons) {
  VorlixProcess first(testsupport::MakeTempFolder("vorlix-home"));
  ASSERT_FALSE(first.MainWindow().empty());
  ASSERT_TRUE(testsupport::WaitForProgramHotkeys(testsupport::kPatience));
  VorlixProcess second(testsupport::MakeTempFolder("vorlix-home"));
  ASSERT_FALSE(second.MainWindow().empty());
  ASSERT_TRUE(second.AnswerMessageBox(testsupport::kPatience));
  ASSERT_TRUE(second.AnswerMessageBox(testsupport::kPatience));
  const std::vector<std::string> expected{"Vorlix\tUnable to assign Ctrl-Shift-F2 as hotkey.",
                                          "Vorlix\tUnable to assign Ctrl-Shift-F1 as hotkey."};
  EXPECT_EQ(second.Messages(), expected);
  EXPECT_TRUE(first.Messages().empty());

  // The second copy's To File button (the fourth slot of the command row) still works. Both
  // windows open centred, so move this one clear of the first.
  testsupport::Xdotool("windowmove --sync " + second.MainWindow() + " 40 40");
  testsupport::WaitUntilSettled(second.MainWindow(), testsupport::kPatience);
  second.ClickMainWindow(128, 22);
  EXPECT_TRUE(testsupport::WaitUntil([&] { return fs::exists(second.OutputFolder() + "My screenshot.bmp"); },
                                     testsupport::kPatience));
  // And the first copy still owns the hotkeys.
  testsupport::Xdotool("key ctrl+shift+F2");
  EXPECT_TRUE(testsupport::WaitUntil([&] { return fs::exists(first.OutputFolder() + "My screenshot.bmp"); },
                                     testsupport::kPatience));
}

}  // namespace
