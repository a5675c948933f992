#pragma once
// A frame with an owner: released when replaced or when the holder goes.
#include <cstdint>

#include "camera/codec/vfw_types.h"
#include "camera/scrcam_dib.h"

class THeldFrame {
 public:
  THeldFrame() = default;
  ~THeldFrame() { FreeFrame(frame_); }
  THeldFrame(const THeldFrame&) = delete;
  THeldFrame& operator=(const THeldFrame&) = delete;
  void Reset(PackedDib frame = nullptr) {
    FreeFrame(frame_);
    frame_ = frame;
  }
  PackedDib Get() const { return frame_; }
  const BITMAPINFOHEADER& Header() const { return *static_cast<const BITMAPINFOHEADER*>(frame_); }
  // Header and colour table: what the stream's format is made of.
  std::int32_t FormatSize() const { return static_cast<std::int32_t>(Header().biSize + 4 * Header().biClrUsed); }
  const void* Pixels() const { return static_cast<const std::uint8_t*>(frame_) + FormatSize(); }

 private:
  PackedDib frame_ = nullptr;
};
