#pragma once
// The timing of a recording: frames go to the slot of the moment their grab began, so the video
// follows the clock; slots that a slow pass skips are counted as dropped, never made up for.
#include <cstdint>
#include <functional>

namespace recording {

// The slot of a moment t ms after the start: t / interval rounded, halves to even.
std::int32_t SlotOf(std::uint32_t t, std::int32_t frameIntervalMs);

struct LoopStatistics {
  std::uint32_t StartTime = 0;
  double LastFrameInterval = 0.0;
  std::int32_t FramesDropped = 0;
  std::int32_t FrameIndex = 0;
  std::int32_t FramesWritten = 0;
};

// What the loop does to the world; each piece is replaceable so that the timing can be tested.
struct LoopHooks {
  std::function<std::uint32_t()> clock;  // milliseconds, wrapping
  std::function<void(std::uint32_t)> sleep;
  std::function<bool()> recording;  // the stop flag, read at the test and after every slice
  // Grabs a frame and, when `write` is set, writes it at `slot`, setting `written`. Returns false
  // when the write failed. A pass whose grab yields no frame writes nothing and returns true; its
  // slot then counts as dropped once a later frame is written.
  std::function<bool(std::int32_t slot, bool write, bool& written)> grabAndWrite;
  std::function<void()> progress;  // at most every 500 ms
  std::function<void(const LoopStatistics&)> statisticsChanged;
};

// Runs passes while `recording` holds. Returns false when a write failed.
bool RunRecordingLoop(std::int32_t frameIntervalMs, const LoopHooks& hooks, LoopStatistics& stats);

}  // namespace recording
