// Recording with the real program on a private X server, driven only by clicks on its main
// window; the videos are read back with ffprobe.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "tests/support/image_probe.h"
#include "tests/support/process.h"
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

// Places of the command row's buttons in the main window's client area.
constexpr int kRegionX = 25, kRecordX = 231, kButtonY = 22;
const char kRegionWindow[] = "^Screen capture Window$";

std::string Quote(const std::string& text) { return testsupport::ShellQuote(text); }

// A message box of the program on the screen (a dialog window of its process), or "".
std::string FindMessageBox(VorlixProcess& vorlix) {
  const std::string pid = std::to_string(vorlix.Process().Pid()) + "\n";
  for (const std::string& id : testsupport::FindWindows("^(Vorlix|Error|Notice)$")) {
    if (id == vorlix.MainWindow()) continue;
    if (testsupport::Run("xdotool getwindowpid " + id + " 2>/dev/null").output != pid) continue;
    const std::string type = testsupport::Run("xprop -id " + id + " _NET_WM_WINDOW_TYPE 2>/dev/null").output;
    if (type.find("_NET_WM_WINDOW_TYPE_DIALOG") != std::string::npos) return id;
  }
  return "";
}

// Waits for a message box and presses Enter on it.
bool AnswerMessageBox(VorlixProcess& vorlix, std::chrono::milliseconds timeout) {
  std::string box;
  if (!testsupport::WaitUntil([&] { return !(box = FindMessageBox(vorlix)).empty(); }, timeout)) return false;
  testsupport::Xdotool("windowactivate --sync " + box);
  testsupport::Xdotool("key Return");
  return testsupport::WaitUntil([&] { return FindMessageBox(vorlix) != box; }, timeout);
}

// A frame extent as a multiple-of-4 compressor records it: rounded up, or down where up would
// not fit on the screen.
int MultipleOfFour(int extent, int screenExtent) {
  const int up = (extent + 3) / 4 * 4;
  return up <= screenExtent ? up : extent / 4 * 4;
}

struct VideoInfo {
  int width = 0, height = 0, packets = 0;
  std::string frameRate;
};

VideoInfo Probe(const std::string& path) {
  const std::string out =
      testsupport::Run("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                       "stream=width,height,r_frame_rate,nb_read_packets -of default=noprint_wrappers=1 " +
                       Quote(path) + " 2>/dev/null")
          .output;
  VideoInfo info;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "width") info.width = std::atoi(value.c_str());
    if (key == "height") info.height = std::atoi(value.c_str());
    if (key == "nb_read_packets") info.packets = std::atoi(value.c_str());
    if (key == "r_frame_rate") info.frameRate = value;
  }
  return info;
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
  void SetUp() override {
    home_ = testsupport::MakeTempFolder("vorlix-record");
    vorlix_ = std::make_unique<VorlixProcess>(home_);
    ASSERT_FALSE(vorlix_->MainWindow().empty());
    // Out of the way of the region window, which opens in the middle of the screen.
    testsupport::Xdotool("windowmove --sync " + vorlix_->MainWindow() + " 20 20");
    std::this_thread::sleep_for(300ms);
  }
  void TearDown() override {
    vorlix_.reset();
    fs::remove_all(home_);
  }

  // A click on the main window. The pointer leaves first: a synchronous move to where the
  // pointer already is would wait for a motion that never comes.
  void Click(int x) {
    testsupport::Xdotool("mousemove 2 2");
    vorlix_->ClickMainWindow(x, kButtonY);
  }
  std::string ShowRegion() {
    Click(kRegionX);
    const std::string region = testsupport::WaitForWindow(kRegionWindow, 10s);
    std::this_thread::sleep_for(500ms);
    return region;
  }
  void ClickRecord() { Click(kRecordX); }

  // Records for about two seconds and stops; returns the stop's message.
  std::string RecordAndStop() {
    const std::size_t shown = vorlix_->Messages().size();
    ClickRecord();
    EXPECT_TRUE(testsupport::WaitUntil([] { return testsupport::FindWindows(kRegionWindow).empty(); }, 10s))
        << "the region window is hidden while it is recorded";
    std::this_thread::sleep_for(2s);
    ClickRecord();
    EXPECT_TRUE(AnswerMessageBox(*vorlix_, 20s));
    const std::vector<std::string> messages = vorlix_->Messages();
    return messages.size() > shown ? messages.back() : "";
  }

  std::string home_;
  std::unique_ptr<VorlixProcess> vorlix_;
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
    EXPECT_EQ(RecordAndStop(), "Vorlix\tFile '" + path + "' created.");

    const VideoInfo video = Probe(path);
    EXPECT_EQ(video.frameRate, "11/1");
    // The default compressor takes only multiples of 4: the region's size is rounded up to one.
    EXPECT_EQ(video.width, MultipleOfFour(before.width, screen.width));
    EXPECT_EQ(video.height, MultipleOfFour(before.height, screen.height));
    EXPECT_GE(video.packets, 5) << "about two seconds at 11 fps";

    // The region window is back where it was, with its frame and its see-through middle (polled:
    // the window manager and the server take their time under load).
    RegionLook look;
    testsupport::WaitUntil([&] {
      look = LookAtRegion(pattern);
      return look.geometry == before && look.frameCovered == kProbes && look.middleSeen == kProbes;
    }, 10s);
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
  ASSERT_TRUE(vorlix_->WaitForMessages(1, 20s));
  EXPECT_EQ(vorlix_->Messages().front().rfind("Error\t", 0), 0u) << vorlix_->Messages().front();
  ASSERT_TRUE(AnswerMessageBox(*vorlix_, 10s));
  std::this_thread::sleep_for(300ms);

  ClickRecord();
  ASSERT_TRUE(AnswerMessageBox(*vorlix_, 20s));
  EXPECT_EQ(vorlix_->Messages().back(),
            "Vorlix\tCannot create file '" + vorlix_->OutputFolder() + "My video.avi'");
  EXPECT_FALSE(testsupport::WaitForWindow(kRegionWindow, 10s).empty());
}

}  // namespace
