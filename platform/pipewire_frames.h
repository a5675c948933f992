#pragma once
// The pictures of a screen cast as PipeWire delivers them, on a PipeWire thread loop of their
// own: the newest picture of each stream is kept until the next one replaces it.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/screen_cast_pictures.h"
#include "platform/screen_cast_portal.h"

namespace platform {

class PipeWireFrames {
 public:
  // Connects over the portal's `fd` (taken over, closed on failure too) to each stream. Null,
  // with `error` set, when PipeWire cannot be reached.
  static std::unique_ptr<PipeWireFrames> Connect(int fd, const std::vector<ScreenCastStream>& streams,
                                                 std::string& error);
  ~PipeWireFrames();
  PipeWireFrames(const PipeWireFrames&) = delete;
  PipeWireFrames& operator=(const PipeWireFrames&) = delete;

  // All of these may be called from any thread.

  // Pictures received over all streams so far.
  std::uint64_t FramesReceived() const;
  // Waits until every stream has a picture. False when the cast ended or `deadline` passed first.
  bool WaitForPictures(std::chrono::steady_clock::time_point deadline);
  // Waits until more than `seen` pictures have arrived. False when the cast ended or `deadline`
  // passed first.
  bool WaitForFrameAfter(std::uint64_t seen, std::chrono::steady_clock::time_point deadline);
  // Why the cast has ended (the desktop closed it, a monitor went away); empty while it runs.
  std::string EndReason() const;
  // Marks the cast as ended, for an end told by someone else (the portal's session).
  void End(const std::string& reason);

  // Calls `use` with the newest picture of each stream that has one, placed where the portal
  // said its monitor is; a picture whose place the portal did not give has a zero area, for the
  // caller to place. The pictures stay put until `use` returns.
  void WithPictures(const std::function<void(std::vector<PlacedPicture>&)>& use);

 private:
  struct Loop;
  struct Stream;
  PipeWireFrames();
  void Received();

  std::unique_ptr<Loop> loop_;
  std::vector<std::unique_ptr<Stream>> streams_;
  mutable std::mutex mutex_;  // guards what follows and each stream's held picture
  std::condition_variable changed_;
  std::uint64_t frames_ = 0;
  std::string endReason_;
};

}  // namespace platform
