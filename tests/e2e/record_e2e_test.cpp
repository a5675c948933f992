// Recording with the real program on a private X server, driven only by clicks on its main
// window; the videos are read back with ffprobe.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "tests/e2e/record_session.h"
#include "tests/support/image_probe.h"
#include "tests/support/process.h"
#include "tests/support/video_probe.h"
#include "tests/support/vorlix_process.h"
#include "tests/support/x_session.h"

namespace testsupport {
// Found by argument lookup, for comparing and printing geometries.
bool operator==(const WindowGeometry& a, const WindowGeometry& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}
void PrintTo(const WindowGeometry& g, std::ostream* out) {
  *out << '(' << g.x << ", " << g.y << ", " << g.width << ", " << g.height << ')';
}
}  // namespace testsupport

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::VorlixProcess;
using testsupport::WindowGeometry;

namespace {

using e2e::kRegionWindow;

// A frame extent as a multiple-of-4 compressor records it: rounded up, or down where up would
// not fit on the screen.
int MultipleOfFour(int extent, int screenExtent) {
  const int up = (extent + 3) / 4 * 4;
  return up <= screenExtent ? up : extent / 4 * 4;
}

constexpr int kProbes = 8;

// Where the region window is and what the screen shows of it: how many probes on its left frame
// differ from the root's pattern, and how many in its middle show the pattern.
struct RegionLook {
  WindowGeometry geometry;
  int frameCovered = 0, middleSeen = 0;
};

RegionLook LookAtRegion(const testsupport::RgbImage& pattern) {
  RegionLook look;
  const std::vector<std::string> ids = testsupport::FindWindows(kRegionWindow);
  if (ids.size() != 1) return look;
  look.geometry = testsupport::GetGeometry(ids.front());
  const WindowGeometry& g = look.geometry;
  const testsupport::RgbImage shot = testsupport::ReadScreen();
  if (shot.width != pattern.width || shot.height != pattern.height) return look;
  for (int i = 0; i < kProbes; ++i) {
    const int y = g.y + g.height / 3 + i * 7;
    const int frameX = g.x + 1, middleX = g.x + g.width / 2 + i * 5;
    look.frameCovered += shot.At(frameX, y) != pattern.At(frameX, y);
    look.middleSeen += shot.At(middleX, y) == pattern.At(middleX, y);
  }
  return look;
}

class RecordEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(vorlix_->MainWindow().empty()); }

  std::string ShowRegion() { return session_.ShowRegion(); }
  void ClickRecord() { session_.ClickRecord(); }

  // Records into `path` for about two seconds from its first frame and stops; returns the stop's
  // message.
  std::string RecordAndStop(const std::string& path) {
    const std::size_t shown = vorlix_->Messages().size();
    EXPECT_TRUE(session_.StartRecording()) << "the region window is hidden while it is recorded";
    // The file is created just before the first frame: the two seconds count from there.
    EXPECT_TRUE(testsupport::WaitUntil([&] { return fs::exists(path); }, testsupport::kPatience));
    std::this_thread::sleep_for(2s);
    ClickRecord();
    EXPECT_TRUE(vorlix_->AnswerMessageBox(testsupport::kPatience));
    const std::vector<std::string> messages = vorlix_->Messages();
    return messages.size() > shown ? messages.back() : "";
  }

  e2e::RecordSession session_{"vorlix-record"};
  VorlixProcess* vorlix_ = &session_.Vorlix();
};

TEST_F(RecordEndToEnd, RecordsTheRegionIntoNumberedFilesAndBringsTheRegionWindowBack) {
  const WindowGeometry screen = testsupport::ScreenSize();
  const testsupport::RgbImage pattern = testsupport::MakePattern(screen.width, screen.height);
  testsupport::PaintRoot(pattern);
  const std::string region = ShowRegion();
  ASSERT_FALSE(region.empty());
  const WindowGeometry before = testsupport::GetGeometry(region);

  const char* names[] = {"My video.avi", "001_My video.avi"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    const std::string path = vorlix_->OutputFolder() + name;
    EXPECT_EQ(RecordAndStop(path), "Vorlix\tFile '" + path + "' created.");

    const testsupport::VideoProbe video = testsupport::ProbeVideo(path);
    EXPECT_EQ(video.frameRate, "11/1");
    // The default compressor takes only multiples of 4: the region's size is rounded up to one.
    EXPECT_EQ(video.width, MultipleOfFour(before.width, screen.width));
    EXPECT_EQ(video.height, MultipleOfFour(before.height, screen.height));
    EXPECT_GE(video.packets, 5) << "about two seconds at 11 fps";

    // The region window is back where it was, with its frame and its see-through middle (polled:
    // the window manager and the server take their time under load).
    RegionLook look;
    testsupport::WaitUntil(
        [&] {
          look = LookAtRegion(pattern);
          return look.geometry == before && look.frameCovered == kProbes && look.middleSeen == kProbes;
        },
        testsupport::kPatience);
    EXPECT_EQ(look.geometry, before);
    EXPECT_EQ(look.frameCovered, kProbes) << "the left frame is drawn";
    EXPECT_EQ(look.middleSeen, kProbes) << "the middle is cut out";
  }
  EXPECT_EQ(vorlix_->Messages().size(), 2u) << "no other box was shown";
}

TEST_F(RecordEndToEnd, StopAfterAFailedAttemptSaysTheFileCannotBeCreated) {
  ASSERT_FALSE(ShowRegion().empty());
  fs::remove_all(vorlix_->OutputFolder());
  ClickRecord();
  // The attempt fails and says so from the recording thread.
  ASSERT_TRUE(vorlix_->WaitForMessages(1, testsupport::kPatience));
  EXPECT_EQ(vorlix_->Messages().front().rfind("Error\t", 0), 0u) << vorlix_->Messages().front();
  ASSERT_TRUE(vorlix_->AnswerMessageBox(testsupport::kPatience));
  std::this_thread::sleep_for(300ms);

  ClickRecord();
  ASSERT_TRUE(vorlix_->AnswerMessageBox(testsupport::kPatience));
  EXPECT_EQ(vorlix_->Messages().back(), "Vorlix\tCannot create file '" + vorlix_->OutputFolder() + "My video.avi'");
  EXPECT_FALSE(testsupport::WaitForWindow(kRegionWindow, testsupport::kPatience).empty());
}

}  // namespace
