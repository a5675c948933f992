#include "recording_loop.h"

#include <algorithm>

#include "platform/round.h"

namespace recording {

std::int32_t SlotOf(std::uint32_t t, std::int32_t frameIntervalMs) {
  return platform::RoundHalfEven(static_cast<double>(t) / std::max<std::int32_t>(frameIntervalMs, 1));
}

bool RunRecordingLoop(std::int32_t frameIntervalMs, const LoopHooks& hooks, LoopStatistics& stats) {
  const std::uint32_t slice = static_cast<std::uint32_t>(std::max<std::int32_t>(frameIntervalMs / 10, 1));
  std::uint32_t lastFrameTime = 0;
  std::uint32_t lastProgressTime = 0;
  // The last slot that was written or given up; -1 before the first. Each slot is written at
  // most once: a second frame at the same position would break the stream's order.
  std::int32_t lastSlot = -1;
  stats.FramesWritten = 0;
  stats.LastFrameInterval = 0.0;
  stats.StartTime = hooks.clock();
  stats.FramesDropped = 0;
  stats.FrameIndex = 0;
  hooks.statisticsChanged(stats);

  while (hooks.recording()) {
    const std::uint32_t t = hooks.clock() - stats.StartTime;
    const std::int32_t slot = SlotOf(t, frameIntervalMs);
    const bool write = slot > lastSlot;
    stats.FrameIndex = slot;
    if (slot - lastSlot > 1) stats.FramesDropped += slot - lastSlot - 1;
    bool written = false;
    if (!hooks.grabAndWrite(slot, write, written)) {
      hooks.statisticsChanged(stats);
      return false;
    }
    if (written) {
      ++stats.FramesWritten;
      stats.LastFrameInterval = static_cast<double>(t - lastFrameTime);
      lastFrameTime = t;
      lastSlot = slot;
    } else if (write) {
      ++stats.FramesDropped;  // no frame could be grabbed for this slot
      lastSlot = slot;
    }
    hooks.statisticsChanged(stats);
    if (t > lastProgressTime + 500) {
      lastProgressTime = t;
      hooks.progress();
    }
    // Sleep until the next slot is due. Every sleep ends a little late; counting a whole interval
    // from this pass would let that lateness add up until a slot is skipped on an idle machine.
    const std::int64_t nextSlotDue = (static_cast<std::int64_t>(lastSlot) + 1) * frameIntervalMs;
    const std::int64_t now = static_cast<std::uint32_t>(hooks.clock() - stats.StartTime);
    if (nextSlotDue > now) {
      const std::uint32_t remaining = static_cast<std::uint32_t>(std::min<std::int64_t>(nextSlotDue - now, UINT32_MAX));
      const std::uint32_t slices = remaining / slice;
      const std::uint32_t rest = remaining - slices * slice;
      bool stopped = false;
      for (std::uint32_t i = 0; i < slices && !stopped; ++i) {
        hooks.sleep(slice);
        stopped = !hooks.recording();
      }
      if (!stopped && rest > 0) hooks.sleep(rest);
    }
  }
  return true;
}

}  // namespace recording
