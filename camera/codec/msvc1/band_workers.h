#pragma once
// Threads of an encoder's own that code the bands of one frame beside the calling thread, the
// way libavcodec's slice threads do: the caller hands out a job per band, codes the first band
// itself, and returns once every band is done.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace msvc1 {

class BandWorkers {
 public:
  // `threads` counts the caller too: threads - 1 workers are started (none for 1 or less).
  explicit BandWorkers(int threads);
  ~BandWorkers();
  BandWorkers(const BandWorkers&) = delete;
  BandWorkers& operator=(const BandWorkers&) = delete;

  // Most bands Run takes at once.
  int Threads() const { return static_cast<int>(workers_.size()) + 1; }

  // Runs job(0) .. job(bands - 1), bands <= Threads(), and returns when all have returned.
  // Jobs must not throw. One Run at a time.
  void Run(int bands, const std::function<void(int band)>& job);

 private:
  void Work(int band);

  std::mutex lock_;
  std::condition_variable started_, finished_;
  const std::function<void(int)>* job_ = nullptr;
  int bands_ = 0;
  int unfinished_ = 0;
  unsigned generation_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace msvc1
