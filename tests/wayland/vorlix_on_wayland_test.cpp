// The real program on a Wayland desktop: its windows live on Xwayland, yet what it captures is the
// desktop's screen, Wayland windows included, as grim sees it.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "tests/support/image_probe.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/video_probe.h"
#include "tests/support/vorlix_process.h"
#include "tests/support/x_session.h"
#include "tests/wayland/vorlix_on_wayland.h"
#include "tests/wayland/wayland_desktop.h"

namespace {

using testsupport::kPatience;
using testsupport::ShellQuote;
using waylandtest::ColourWindow;
using waylandtest::Rect;

constexpr std::uint32_t kOrange = 0xff8000, kGreen = 0x20a040;
// The Region button in the main window's client area, and the window it opens.
constexpr int kRegionButtonX = 25, kButtonY = 22;
constexpr char kRegionWindowName[] = "^Screen capture Window$";

std::string Vorlix(const std::string& home, const std::string& arguments) {
  return "HOME=" + ShellQuote(home) + " " + ShellQuote(VORLIX_EXECUTABLE) + " " + arguments;
}

std::string RegionArgument(const Rect& r) {
  return "--region " + std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.width) + "," +
         std::to_string(r.height);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The number after "name: " in a recording's report, -1 when missing.
long ReportValue(const std::string& report, const std::string& name) {
  std::istringstream in(report);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(name + ": ", 0) == 0) return std::stol(line.substr(name.size() + 2));
  return -1;
}

// The inside of `r` less `margin` on every side: a region well inside a window.
Rect Inset(const Rect& r, int margin) {
  return {r.x + margin, r.y + margin, r.width - 2 * margin, r.height - 2 * margin};
}

TEST(VorlixOnWayland, StillsHoldTheScreensPixelsAsGrimSeesThem) {
  const std::string folder = testsupport::MakeTempFolder("wayland-stills");
  const ColourWindow window("still-window", kOrange, 300, 200, 100, 150);
  ASSERT_GT(window.Content().width, 0) << "the colour window never showed";
  const Rect& c = window.Content();

  struct Case {
    const char* name;
    std::optional<Rect> region;
  };
  // A region across the window's edge: window, sway's frame and background in one picture.
  const Case cases[] = {{"whole screen", std::nullopt},
                        {"region", Rect{c.x - 40, c.y + 20, c.width / 2 + 40, c.height}}};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    const std::string still = folder + "/" + test.name + ".bmp";
    const testsupport::RgbImage before = waylandtest::Screenshot(folder + "/before.png");
    const auto run = testsupport::Run(
        Vorlix(folder, "--still " + ShellQuote(still) + (test.region ? " " + RegionArgument(*test.region) : "")) +
        " 2>&1");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const testsupport::RgbImage after = waylandtest::Screenshot(folder + "/after.png");
    // Nothing on this desktop moves: grim's two pictures are the moment of the still.
    ASSERT_EQ(waylandtest::Differences(before, after), "");
    const testsupport::RgbImage image = testsupport::ReadImage(still);
    const Rect area = test.region.value_or(Rect{0, 0, 1920, 1080});
    ASSERT_EQ(image.width, area.width);
    ASSERT_EQ(image.height, area.height);
    EXPECT_EQ(waylandtest::Differences(image, after, area.x, area.y), "");
  }
}

TEST(VorlixOnWayland, RecordingOfAnAnimatedWindowFollowsTheClockWithoutTheMarker) {
  const std::string folder = testsupport::MakeTempFolder("wayland-record");
  const ColourWindow window("record-window", kGreen, 480, 360, 200, 150, /*animate=*/true);
  ASSERT_GT(window.Content().width, 0) << "the colour window never showed";
  // The marker's brackets lie just outside the region, still on the window: a frame showing
  // any of them would have pixels other than the window's colour. Away from the middle of the
  // screen, where sway puts windows whose place it does not know.
  const Rect region = Inset(window.Content(), 60);
  const std::string video = folder + "/animated.avi", report = folder + "/report.txt";
  testsupport::ChildProcess recording(
      {"sh", "-c",
       "exec env " +
           Vorlix(folder, "--record 5 " + ShellQuote(video) + " " + RegionArgument(region) +
                              " --fps 25 --codec ZMBV --no-cursor") +
           " >" + ShellQuote(report) + " 2>&1"});

  // While it records, the marker blinks at the region's corners; each is seen at some moment.
  bool marked[4] = {};
  auto allMarked = [&] { return marked[0] && marked[1] && marked[2] && marked[3]; };
  testsupport::WaitUntil(
      [&] {
        if (!recording.Running()) return true;
        const testsupport::RgbImage screen = waylandtest::Screenshot(folder + "/screen.png");
        if (screen.width == 0) return false;
        constexpr int kReach = 16;
        for (int corner = 0; corner < 4; ++corner) {
          const int cx = corner % 2 ? region.x + region.width : region.x;
          const int cy = corner / 2 ? region.y + region.height : region.y;
          for (int y = cy - kReach; y < cy + kReach; ++y)
            for (int x = cx - kReach; x < cx + kReach; ++x)
              if (!region.Contains(x, y) && !waylandtest::Near(screen.At(x, y), kGreen, 1)) marked[corner] = true;
        }
        return allMarked();
      },
      kPatience);
  std::string seen;
  for (bool corner : marked) seen += corner ? " yes" : " no";
  EXPECT_TRUE(allMarked()) << "the marker seen at the region's top left, top right, bottom left, bottom right:" << seen;
  ASSERT_EQ(recording.Wait(kPatience), 0) << ReadFile(report);
  const std::string output = ReadFile(report);

  // Every slot of the five seconds is either written or counted as dropped, however busy the
  // machine; the tolerance is for the timers' ends, not for speed.
  const long written = ReportValue(output, "frames written"), dropped = ReportValue(output, "slots dropped");
  ASSERT_GT(written, 0) << output;
  ASSERT_GE(dropped, 0) << output;
  EXPECT_GE(written + dropped, 5 * 25 - 10) << output;
  EXPECT_LE(written + dropped, 5 * 25 + 10) << output;

  const testsupport::VideoProbe probe = testsupport::ProbeVideo(video);
  EXPECT_EQ(probe.codecTag, "ZMBV");
  EXPECT_EQ(probe.frameRate, "25/1");
  EXPECT_EQ(probe.packets, written);
  const waylandtest::DecodedFrames decoded = waylandtest::DecodeFrames(video);
  EXPECT_EQ(decoded.exitCode, 0);
  EXPECT_EQ(decoded.messages, "");
  EXPECT_EQ(decoded.width, region.width);
  EXPECT_EQ(decoded.height, region.height);
  ASSERT_GE(decoded.frames.size(), static_cast<std::size_t>(written));
  EXPECT_EQ(waylandtest::FramesOtherThan(decoded, kGreen), "");
  // The window changes 30 times a second: the recording shows it changing, not one picture.
  int changes = 0;
  for (std::size_t i = 1; i < decoded.frames.size(); ++i) changes += decoded.frames[i].rgb != decoded.frames[i - 1].rgb;
  EXPECT_GE(changes, 10);
}

// The region window on a compositor: its inside shows what lies under it, not black or white.
TEST(VorlixOnWayland, RegionWindowShowsTheWindowUnderIt) {
  const std::string folder = testsupport::MakeTempFolder("wayland-region-window");
  const ColourWindow window("under-region", kOrange, 800, 600, 60, 60);
  ASSERT_GT(window.Content().width, 0) << "the colour window never showed";
  testsupport::VorlixProcess vorlix(folder + "/home");
  ASSERT_FALSE(vorlix.MainWindow().empty());
  vorlix.ClickMainWindow(kRegionButtonX, kButtonY);
  ASSERT_FALSE(testsupport::WaitForWindow(kRegionWindowName, kPatience).empty());

  // Over the colour window, away from the main window that sway puts in the middle of the screen.
  const int left = window.Content().x + 60, top = window.Content().y + 60;
  const std::string move = "swaymsg '[title=\"Screen capture Window\"] move position " + std::to_string(left) + " " +
                           std::to_string(top) + "' >/dev/null";
  std::optional<Rect> region;
  testsupport::RgbImage screen;
  int frameDrawn = 0, insideSeen = 0;
  std::uint32_t insideExample = 0;
  constexpr int kProbes = 8;
  testsupport::WaitUntil(
      [&] {
        region = waylandtest::WindowContent("Screen capture Window");
        if (!region || region->x != left || region->y != top) {
          testsupport::Run(move);
          return false;
        }
        screen = waylandtest::Screenshot(folder + "/screen.png");
        if (screen.width == 0) return false;
        frameDrawn = insideSeen = 0;
        for (int i = 0; i < kProbes; ++i) {
          const int y = region->y + region->height / 3 + i * 7;
          frameDrawn += screen.At(region->x + 1, y) != kOrange;
          const std::uint32_t inside = screen.At(region->x + region->width / 4 + i * 29, y);
          insideSeen += inside == kOrange;
          if (inside != kOrange) insideExample = inside;
        }
        return frameDrawn == kProbes && insideSeen == kProbes;
      },
      kPatience);
  ASSERT_TRUE(region.has_value()) << "sway never showed the region window";
  EXPECT_EQ(frameDrawn, kProbes) << "its left frame is drawn";
  EXPECT_EQ(insideSeen, kProbes) << "its inside shows the colour window; one probe saw "
                                 << waylandtest::Hex(insideExample);
}

// Commands to the running window take their still while a Wayland window has the focus.
TEST(VorlixOnWayland, ToFileCommandTakesTheScreenWhileAWaylandWindowHasTheFocus) {
  const std::string folder = testsupport::MakeTempFolder("wayland-to-file");
  testsupport::VorlixProcess vorlix(folder + "/home");
  ASSERT_FALSE(vorlix.MainWindow().empty());
  const ColourWindow window("focused-window", kGreen, 400, 300, 80, 80);
  ASSERT_GT(window.Content().width, 0) << "the colour window never showed";
  ASSERT_TRUE(testsupport::WaitUntil(
      [] {
        testsupport::Run("swaymsg '[app_id=\"colour_window\"] focus' >/dev/null");
        return waylandtest::FocusedWindow() == "focused-window";
      },
      kPatience))
      << "the colour window did not get the focus";

  // What the program does with its own window is not this test's matter: it is left out.
  const Rect own = waylandtest::WindowFrame("Vorlix").value_or(Rect{});
  const testsupport::RgbImage before = waylandtest::Screenshot(folder + "/before.png");
  const auto run = testsupport::Run(Vorlix(folder + "/elsewhere", "--to-file") + " 2>&1");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::string file = vorlix.OutputFolder() + "My screenshot.bmp";
  EXPECT_EQ(run.output, file + "\n");

  const testsupport::RgbImage still = testsupport::ReadImage(file);
  ASSERT_EQ(still.width, 1920);
  ASSERT_EQ(still.height, 1080);
  long differ = 0, inWindow = 0;
  for (int y = 0; y < still.height; ++y) {
    for (int x = 0; x < still.width; ++x) {
      if (own.Contains(x, y)) continue;
      differ += still.At(x, y) != before.At(x, y);
      inWindow += window.Content().Contains(x, y) && still.At(x, y) == kGreen;
    }
  }
  EXPECT_EQ(differ, 0) << "pixels unlike the screen when the still was asked for";
  EXPECT_EQ(inWindow, long(window.Content().width) * window.Content().height);
}

// The desktop's screen-cast backend, ended under a recording: the stream stops for good, and the
// recording records nothing frozen or black after it.
TEST(VorlixOnWayland, RecordingWhoseScreenCastEndsSaysSoOnceAndKeepsWhatItHad) {
  const std::string folder = testsupport::MakeTempFolder("wayland-cast-ends");
  const ColourWindow window("cast-window", kGreen, 400, 300, 100, 100, /*animate=*/true);
  ASSERT_GT(window.Content().width, 0) << "the colour window never showed";
  const std::string video = folder + "/cut.avi", err = folder + "/stderr.txt";
  testsupport::ChildProcess recording(
      {"sh", "-c",
       "exec env " +
           Vorlix(folder, "--record 0 " + ShellQuote(video) + " " + RegionArgument(Inset(window.Content(), 50)) +
                              " --fps 10 --codec ZMBV --no-cursor") +
           " >" + ShellQuote(folder + "/stdout.txt") + " 2>" + ShellQuote(err)});
  // Frames in the file, as a player would read them while it grows.
  ASSERT_TRUE(testsupport::WaitUntil(
      [&] { return std::filesystem::exists(video) && testsupport::DecodeVideo(video).frames >= 5; }, kPatience))
      << ReadFile(err);

  // Of this desktop alone: the one that owns the backend's name on this test's session bus.
  const std::string owner =
      testsupport::Run(
          "dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus "
          "org.freedesktop.DBus.GetConnectionUnixProcessID string:org.freedesktop.impl.portal.desktop.wlr")
          .output;
  const int portal = std::atoi(owner.substr(owner.find_last_of(' ') + 1).c_str());
  ASSERT_GT(portal, 1) << owner;
  ASSERT_EQ(::kill(portal, SIGTERM), 0);

  // The recording says so at once and leaves out the slots it cannot read until it is stopped.
  EXPECT_TRUE(testsupport::WaitUntil([&] { return ReadFile(err).find("screen cast") != std::string::npos; }, kPatience))
      << "the end of the screen cast was not reported; stderr: " << ReadFile(err);
  recording.Signal(SIGTERM);
  const int status = recording.Wait(kPatience);
  EXPECT_NE(status, 0) << "a recording whose screen went away is no success";
  std::istringstream lines(ReadFile(err));
  int reports = 0;
  for (std::string line; std::getline(lines, line);) reports += line.find("screen cast") != std::string::npos;
  EXPECT_EQ(reports, 1) << ReadFile(err);

  const waylandtest::DecodedFrames decoded = waylandtest::DecodeFrames(video);
  EXPECT_EQ(decoded.exitCode, 0);
  EXPECT_EQ(decoded.messages, "");
  EXPECT_GE(decoded.frames.size(), 5u);
  EXPECT_EQ(waylandtest::FramesOtherThan(decoded, kGreen), "") << "no black or other frames after the end";
}

}  // namespace
