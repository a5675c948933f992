#include <gtest/gtest.h>

#include <algorithm>

#include "camera/recording_settings.h"
#include "platform/round.h"
#include "windows/optdlg_conversions.h"

namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  struct Case {
    double value;
    int rounded;
  };
  const Case cases[] = {{65.5, 66}, {62.5, 62},    {0.5, 0},       {1.5, 2},     {2.5, 2}, {-0.5, 0},
                        {-1.5, -2}, {90.9090, 91}, {333.333, 333}, {0.49999, 0}, {7.0, 7}};
  for (const Case& c : cases) EXPECT_EQ(platform::RoundHalfEven(c.value), c.rounded) << c.value;
}

TEST(OptionConversions, CameraValuesAndTrackBarPositions) {
  // The camera's defaults open at 183 / 66 and OK writes 6600, 10 fps, 100 ms.
  EXPECT_EQ(optdlg::PlaybackPositionFromFps(10), 183);
  EXPECT_EQ(optdlg::FpsFromPlaybackPosition(183), 10);
  EXPECT_EQ(optdlg::QualityPositionFromQuality(6550), 66);
  EXPECT_EQ(optdlg::QualityFromPosition(66), 6600);
  // The controls' start-up positions: quality 50, frame rate 200.
  EXPECT_EQ(optdlg::QualityFromPosition(50), 5000);
  EXPECT_EQ(optdlg::FpsFromPlaybackPosition(200), 11);

  struct Rate {
    int fps;
    int intervalMs;
  };
  const Rate rates[] = {{16, 62}, {11, 91}, {3, 333}, {1, 1000}, {10, 100}, {50, 20}};
  for (const Rate& r : rates) EXPECT_EQ(recording::FrameIntervalMsFromFps(r.fps), r.intervalMs) << r.fps;

  EXPECT_EQ(optdlg::PlaybackPositionFromFps(50), 999);
  EXPECT_EQ(optdlg::PlaybackPositionFromFps(1), 0);  // the track bar clamps it to 1
  EXPECT_EQ(optdlg::QualityFromPosition(0), 0);
  EXPECT_EQ(optdlg::QualityFromPosition(100), 10000);
  for (int fps = 1; fps <= 50; ++fps) {
    const int position = std::max(1, optdlg::PlaybackPositionFromFps(fps));
    EXPECT_EQ(optdlg::FpsFromPlaybackPosition(position), fps) << fps;
  }
  // Positions 1-11 give 1 fps, 12-31 give 2, 990-1000 give 50.
  EXPECT_EQ(optdlg::FpsFromPlaybackPosition(11), 1);
  EXPECT_EQ(optdlg::FpsFromPlaybackPosition(12), 2);
  EXPECT_EQ(optdlg::FpsFromPlaybackPosition(31), 2);
  EXPECT_EQ(optdlg::FpsFromPlaybackPosition(989), 49);
  EXPECT_EQ(optdlg::FpsFromPlaybackPosition(990), 50);
}

}  // namespace
