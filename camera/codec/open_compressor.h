#pragma once
// A compressor opened through the compression manager, closed when its holder goes.
#include <cstdint>

#include "camera/codec/vfw.h"

namespace codec {

class TOpenCompressor {
 public:
  TOpenCompressor(std::uint32_t fccType, std::uint32_t fccHandler, std::uint32_t mode)
      : hic_(ICOpen(fccType, fccHandler, mode)) {}
  ~TOpenCompressor() {
    if (hic_) ICClose(hic_);
  }
  TOpenCompressor(const TOpenCompressor&) = delete;
  TOpenCompressor& operator=(const TOpenCompressor&) = delete;

  // False when the compressor could not be opened.
  explicit operator bool() const { return hic_ != nullptr; }
  HIC Get() const { return hic_; }
  LRESULT Send(std::uint32_t message, std::uintptr_t param1, std::uintptr_t param2) const {
    return ICSendMessage(hic_, message, param1, param2);
  }

 private:
  HIC hic_;
};

}  // namespace codec
