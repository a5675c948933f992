// Screen reads while the display changes size: a nested X server (Xephyr) is resized with xrandr
// between reads.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/primary_monitor.h"
#include "platform/screen_reader.h"
#include "tests/support/process.h"

namespace {

using namespace std::chrono_literals;

// A resizable X server of 640 x 480 in a window of the test's own server.
class NestedServer {
 public:
  NestedServer() {
    const std::string file = "/tmp/vorlix-xephyr-" + std::to_string(::getpid());
    pid_ = testsupport::Run("Xephyr -displayfd 3 -screen 640x480x24 -resizeable -nolisten tcp -noreset 3>" + file +
                            " >/dev/null 2>&1 & echo $!")
               .output;
    testsupport::WaitUntil(
        [&] {
          std::ifstream in(file);
          return static_cast<bool>(in >> number_);
        },
        testsupport::kPatience);
    std::remove(file.c_str());
  }
  ~NestedServer() { testsupport::Run("kill " + pid_); }
  std::string Display() const { return number_.empty() ? "" : ":" + number_; }
  bool Resize(int width, int height) const {
    return testsupport::Run("DISPLAY=" + Display() + " xrandr -s " + std::to_string(width) + "x" +
                            std::to_string(height) + " 2>/dev/null")
               .exitCode == 0;
  }

 private:
  std::string pid_, number_;
};

TEST(ScreenResize, ReadsFollowTheDisplaysNewSize) {
  NestedServer nested;
  ASSERT_FALSE(nested.Display().empty()) << "Xephyr did not start";
  ::setenv("DISPLAY", nested.Display().c_str(), 1);
  platform::ScreenReader& reader = platform::ScreenReader::Instance();
  ASSERT_TRUE(reader.Connected());
  ASSERT_EQ(reader.Info().width, 640);

  const int width = 640, height = 480;
  const std::size_t stride = width * 4;
  std::vector<std::uint8_t> rows(stride * height);
  auto readWhole = [&] {
    std::fill(rows.begin(), rows.end(), 0xAB);
    return reader.ReadDib(0, 0, width, height, 32, rows.data(), stride);
  };
  // The byte of pixel (x, y), y from the top.
  auto at = [&](int x, int y) { return rows[(height - 1 - y) * stride + 4 * x + 3]; };

  ASSERT_TRUE(readWhole());
  EXPECT_EQ(at(600, 400), 0) << "read";

  ASSERT_TRUE(nested.Resize(320, 240));
  EXPECT_EQ(platform::PrimaryMonitor(), (platform::MonitorRect{0, 0, 320, 240}))
      << "the whole screen of a still is its size now";
  EXPECT_EQ(reader.Info().width, 640) << "the size at the start is kept";
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass);
    ASSERT_TRUE(readWhole()) << "a read over the new edge is clipped, not failed";
    EXPECT_EQ(at(10, 10), 0) << "the part still on the screen is read";
    EXPECT_EQ(at(600, 400), 0xAB) << "the part now off the screen is left alone";
  }
  std::fill(rows.begin(), rows.end(), 0xAB);
  EXPECT_TRUE(reader.ReadDib(400, 300, 100, 100, 32, rows.data(), stride)) << "wholly off the smaller screen";

  ASSERT_TRUE(nested.Resize(640, 480));
  // A grown screen is learnt from the server's notice, which may come a moment after xrandr ends.
  EXPECT_TRUE(testsupport::WaitUntil([&] { return readWhole() && at(600, 400) == 0; }, testsupport::kPatience))
      << "the grown screen is read again";
}

}  // namespace
