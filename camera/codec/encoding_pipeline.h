#pragma once
// Codes and writes one stream's frames on a thread of its own, so that a write returns as soon
// as the encoder has taken the frame: the caller grabs the next frame while this one is coded and
// its chunk written. Frames reach the file in the order they were handed over, each at its
// position; at most two are in flight (one coding, the next loaded), so memory stays bounded.
// A failure is sticky and is reported by the next write or by Drain.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "camera/codec/frame_encoder.h"
#include "camera/codec/vfw_types.h"

namespace codec {

class AviWriter;

class EncodingPipeline {
 public:
  EncodingPipeline(FrameEncoder& encoder, AviWriter& writer);
  // Drains: every frame handed over is written first.
  ~EncodingPipeline();
  EncodingPipeline(const EncodingPipeline&) = delete;
  EncodingPipeline& operator=(const EncodingPipeline&) = delete;

  // Loads the frame into the encoder and queues it for coding at `position`; `demandKey` asks
  // for a key frame. Returns AVIERR_OK once the frame is taken (the caller's pixels are free
  // again), or the failure of this or an earlier frame, after which no frame is taken.
  HRESULT Write(std::int64_t position, bool demandKey, const std::uint8_t* dibBits);

  // Waits until every frame handed over is written; the first failure, if any. `codedBytes`,
  // when given, receives the size of the last frame's code.
  HRESULT Drain(std::size_t* codedBytes = nullptr);

 private:
  struct Job {
    std::int64_t position;
    bool demandKey;
  };

  void Work();
  HRESULT CodeAndWrite(const Job& job);

  FrameEncoder& encoder_;
  AviWriter& writer_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::optional<Job> queued_;  // loaded, waiting for the worker
  bool busy_ = false;          // the worker is coding or writing a frame
  bool stopping_ = false;
  HRESULT failure_ = AVIERR_OK;
  std::size_t lastCodedBytes_ = 0;
  std::thread worker_;
};

}  // namespace codec
