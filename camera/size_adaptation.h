#pragma once
// Fitting a capture rectangle to a compressor that only takes some frame sizes: the size is
// rounded to a multiple of 2, then 4, then 8 until the compressor takes it.
#include <cstdint>
#include <functional>

namespace recording {

struct CaptureRect {
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  bool operator==(const CaptureRect&) const = default;
};

// `extent` made a multiple of `step`: itself when it is one, else rounded up, or rounded down
// when rounding up would exceed `screenExtent`. Only the size is held against the screen.
std::int32_t AlignedExtent(std::int32_t extent, std::int32_t step, std::int32_t screenExtent);

// The rectangle of alignment step `step`: same left and top, both sizes aligned.
CaptureRect AlignedCandidate(const CaptureRect& rect, std::int32_t step, std::int32_t screenWidth,
                             std::int32_t screenHeight);

// Asks `accepts` about the rectangle as it is, then about the candidates of steps 2, 4 and 8.
// The first one accepted replaces `rect` and the answer is true; when all are refused, `rect`
// stays as it was and the answer is false.
bool AdaptToCompressor(CaptureRect& rect, std::int32_t screenWidth, std::int32_t screenHeight,
                       const std::function<bool(const CaptureRect&)>& accepts);

}  // namespace recording
