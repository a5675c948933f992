#include "camera/codec/encoding_pipeline.h"

#include "camera/codec/avi_writer.h"

namespace codec {

EncodingPipeline::EncodingPipeline(FrameEncoder& encoder, AviWriter& writer)
    : encoder_(encoder), writer_(writer), worker_([this] { Work(); }) {}

EncodingPipeline::~EncodingPipeline() {
  Drain();
  {
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

HRESULT EncodingPipeline::Write(std::int64_t position, bool demandKey, const std::uint8_t* dibBits) {
  {
    // The frame before the one being coded must have left its buffers: its Code is over once the
    // worker has taken the next frame from the queue.
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return !queued_ || failure_ != AVIERR_OK; });
    if (failure_ != AVIERR_OK) return failure_;
  }
  if (!encoder_.Load(dibBits)) {
    std::lock_guard<std::mutex> guard(lock_);
    if (failure_ == AVIERR_OK) failure_ = AVIERR_COMPRESSOR;
    return failure_;
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    queued_ = Job{position, demandKey};
  }
  changed_.notify_all();
  return AVIERR_OK;
}

HRESULT EncodingPipeline::Drain(std::size_t* codedBytes) {
  std::unique_lock<std::mutex> guard(lock_);
  changed_.wait(guard, [this] { return !queued_ && !busy_; });
  if (codedBytes) *codedBytes = lastCodedBytes_;
  return failure_;
}

void EncodingPipeline::Work() {
  std::unique_lock<std::mutex> guard(lock_);
  for (;;) {
    changed_.wait(guard, [this] { return stopping_ || queued_; });
    if (!queued_) return;  // stopping, with nothing left
    const Job job = *queued_;
    queued_.reset();
    busy_ = true;
    const bool failedBefore = failure_ != AVIERR_OK;
    guard.unlock();
    changed_.notify_all();  // the queue has room for the next frame
    // After a failure the frames still queued are dropped: the file ends at the last good one.
    const HRESULT result = failedBefore ? AVIERR_OK : CodeAndWrite(job);
    guard.lock();
    if (result != AVIERR_OK && failure_ == AVIERR_OK) failure_ = result;
    busy_ = false;
    changed_.notify_all();
  }
}

HRESULT EncodingPipeline::CodeAndWrite(const Job& job) {
  EncodedFrame coded;
  if (!encoder_.Code(job.demandKey, coded)) return AVIERR_COMPRESSOR;
  if (job.demandKey && !coded.keyFrame) return AVIERR_COMPRESSOR;  // a file without its key frames would not seek
  const HRESULT result = writer_.WriteFrame(job.position, coded.bytes, coded.keyFrame);
  if (result == AVIERR_OK) {
    std::lock_guard<std::mutex> guard(lock_);
    lastCodedBytes_ = coded.bytes.size();
  }
  return result;
}

}  // namespace codec
