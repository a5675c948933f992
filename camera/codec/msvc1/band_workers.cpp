#include "camera/codec/msvc1/band_workers.h"

namespace msvc1 {

BandWorkers::BandWorkers(int threads) {
  for (int band = 1; band < threads; ++band) workers_.emplace_back([this, band] { Work(band); });
}

BandWorkers::~BandWorkers() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
  }
  started_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void BandWorkers::Run(int bands, const std::function<void(int)>& job) {
  if (bands <= 0) return;
  if (bands > 1) {
    {
      std::lock_guard<std::mutex> guard(lock_);
      job_ = &job;
      bands_ = bands;
      unfinished_ = bands - 1;
      ++generation_;
    }
    started_.notify_all();
  }
  job(0);
  if (bands > 1) {
    std::unique_lock<std::mutex> guard(lock_);
    finished_.wait(guard, [this] { return unfinished_ == 0; });
    job_ = nullptr;
  }
}

void BandWorkers::Work(int band) {
  unsigned seen = 0;
  std::unique_lock<std::mutex> guard(lock_);
  for (;;) {
    started_.wait(guard, [&] { return stopping_ || generation_ != seen; });
    if (stopping_) return;
    seen = generation_;
    if (band >= bands_) continue;  // this frame has fewer bands than threads
    const std::function<void(int)>* job = job_;
    guard.unlock();
    (*job)(band);
    guard.lock();
    if (--unfinished_ == 0) finished_.notify_one();
  }
}

}  // namespace msvc1
