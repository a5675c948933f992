// The recording loop's timing against a simulated clock.
#include <gtest/gtest.h>

#include <vector>

#include "camera/recording_loop.h"

namespace {

using recording::LoopHooks;
using recording::LoopStatistics;

TEST(RecordingSlots, RoundToTheNearestSlotHalvesToEven) {
  struct Case {
    std::uint32_t t;
    std::int32_t interval;
    std::int32_t slot;
  };
  const Case cases[] = {{0, 100, 0},   {49, 100, 0},  {50, 100, 0},  {51, 100, 1},  {149, 100, 1},
                        {150, 100, 2}, {250, 100, 2}, {251, 100, 3}, {340, 100, 3}, {91, 91, 1},
                        {45, 91, 0},   {46, 91, 1},   {5, 0, 5}};
  for (const Case& c : cases) EXPECT_EQ(recording::SlotOf(c.t, c.interval), c.slot) << c.t << "/" << c.interval;
}

// A simulated world: the clock moves only when the loop sleeps or a pass costs time.
struct SimulatedRecording {
  std::uint32_t now = 1000;
  std::vector<std::uint32_t> passCosts;  // ms each pass's grab and write take, in order (then 0)
  std::vector<std::int32_t> written;
  std::vector<std::uint32_t> sleeps;
  std::vector<std::uint32_t> progressAt;
  int passes = 0;
  int stopAfterPasses = 1000;
  std::uint32_t stopAtTime = ~0u;
  bool failWriteAtPass = false;
  int failPass = -1;
  int noFramePass = -1;
  LoopStatistics stats;

  LoopHooks Hooks() {
    LoopHooks hooks;
    hooks.clock = [this] { return now; };
    hooks.sleep = [this](std::uint32_t ms) {
      sleeps.push_back(ms);
      now += ms;
    };
    hooks.recording = [this] { return passes < stopAfterPasses && now < stopAtTime; };
    hooks.grabAndWrite = [this](std::int32_t slot, bool write, bool& done) {
      const int pass = passes++;
      if (pass < static_cast<int>(passCosts.size())) now += passCosts[pass];
      if (pass == noFramePass) return true;
      if (pass == failPass) return false;
      if (write) {
        written.push_back(slot);
        done = true;
      }
      return true;
    };
    hooks.progress = [this] { progressAt.push_back(now - stats.StartTime); };
    hooks.statisticsChanged = [](const LoopStatistics&) {};
    return hooks;
  }
  bool Run(std::int32_t interval) { return recording::RunRecordingLoop(interval, Hooks(), stats); }
};

TEST(RecordingLoop, SlowPassesSkipSlotsAndCountThem) {
  SimulatedRecording sim;
  sim.passCosts = {0, 0, 340, 0};  // the third pass (slot 2) takes 3.4 intervals
  sim.stopAfterPasses = 4;
  EXPECT_TRUE(sim.Run(100));
  // The fourth pass begins at 540 ms: slot 5, so slots 3 and 4 are dropped.
  EXPECT_EQ(sim.written, (std::vector<std::int32_t>{0, 1, 2, 5}));
  EXPECT_EQ(sim.stats.FramesDropped, 2);
  EXPECT_EQ(sim.stats.FramesWritten, 4);
  EXPECT_EQ(sim.stats.FrameIndex, 5);
  EXPECT_EQ(sim.stats.FramesWritten + sim.stats.FramesDropped, sim.stats.FrameIndex + 1);
  EXPECT_DOUBLE_EQ(sim.stats.LastFrameInterval, 340.0);
}

TEST(RecordingLoop, AFrameInTheSameSlotIsNotWrittenAgain) {
  SimulatedRecording sim;
  // 30 ms passes at a 100 ms interval, but the loop sleeps the rest: force two passes into one
  // slot by making the sleeps land early.
  sim.stopAfterPasses = 3;
  LoopHooks hooks = sim.Hooks();
  hooks.sleep = [&](std::uint32_t ms) {
    sim.sleeps.push_back(ms);
    sim.now += ms / 3;
  };
  recording::RunRecordingLoop(100, hooks, sim.stats);
  EXPECT_EQ(sim.written, (std::vector<std::int32_t>{0, 1}));
  EXPECT_EQ(sim.stats.FramesWritten, 2);
}

TEST(RecordingLoop, ProgressAtMostEvery500Ms) {
  SimulatedRecording sim;
  sim.stopAtTime = sim.now + 1650;
  EXPECT_TRUE(sim.Run(100));
  // The first pass whose moment exceeds 500 ms is the one at 600 ms.
  EXPECT_EQ(sim.progressAt, (std::vector<std::uint32_t>{600, 1200}));
}

TEST(RecordingLoop, SleepsInTenthsAndAStopEndsItAfterTheCurrentSlice) {
  SimulatedRecording sim;
  sim.passCosts = {35};
  sim.stopAtTime = sim.now + 50;  // the flag drops during the second slice
  EXPECT_TRUE(sim.Run(100));
  // 65 ms remain: slices of 10 ms; after the one that crosses the stop, no more (and no rest).
  EXPECT_EQ(sim.sleeps, (std::vector<std::uint32_t>{10, 10}));
  SimulatedRecording fast;
  fast.passCosts = {3};
  fast.stopAtTime = fast.now + 7;
  fast.Run(7);  // below 10 ms the slice is 1 ms: the 4 ms left are four slices, no rest
  EXPECT_EQ(fast.sleeps, (std::vector<std::uint32_t>{1, 1, 1, 1}));
}

TEST(RecordingLoop, SleepsThatEndLateDoNotAddUpToDroppedSlots) {
  // Every sleep ends 1 ms late, as a busy system's do: 10 ms late per pass, and still every
  // pass must land on its own slot.
  SimulatedRecording sim;
  sim.stopAfterPasses = 100;
  LoopHooks hooks = sim.Hooks();
  hooks.sleep = [&](std::uint32_t ms) { sim.now += ms + 1; };
  EXPECT_TRUE(recording::RunRecordingLoop(100, hooks, sim.stats));
  EXPECT_EQ(sim.stats.FramesDropped, 0);
  EXPECT_EQ(sim.stats.FramesWritten, 100);
  EXPECT_EQ(sim.written.back(), 99);
}

TEST(RecordingLoop, AFailedWriteEndsTheLoop) {
  SimulatedRecording sim;
  sim.failPass = 2;
  EXPECT_FALSE(sim.Run(100));
  EXPECT_EQ(sim.passes, 3);
  EXPECT_EQ(sim.stats.FramesWritten, 2);
}

TEST(RecordingLoop, AMissingFrameDropsItsSlotOnce) {
  SimulatedRecording sim;
  sim.noFramePass = 1;
  sim.stopAfterPasses = 4;
  EXPECT_TRUE(sim.Run(100));
  EXPECT_EQ(sim.written, (std::vector<std::int32_t>{0, 2, 3}));
  EXPECT_EQ(sim.stats.FramesDropped, 1);
  EXPECT_EQ(sim.stats.FramesWritten + sim.stats.FramesDropped, sim.stats.FrameIndex + 1);
}

}  // namespace
