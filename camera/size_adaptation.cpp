#include "camera/size_adaptation.h"

namespace recording {

std::int32_t AlignedExtent(std::int32_t extent, std::int32_t step, std::int32_t screenExtent) {
  const std::int32_t below = extent - extent % step;
  if (below == extent) return extent;
  const std::int64_t above = std::int64_t{below} + step;
  return above > screenExtent ? below : static_cast<std::int32_t>(above);
}

CaptureRect AlignedCandidate(const CaptureRect& rect, std::int32_t step, std::int32_t screenWidth,
                             std::int32_t screenHeight) {
  return {rect.left, rect.top, AlignedExtent(rect.width, step, screenWidth),
          AlignedExtent(rect.height, step, screenHeight)};
}

bool AdaptToCompressor(CaptureRect& rect, std::int32_t screenWidth, std::int32_t screenHeight,
                       const std::function<bool(const CaptureRect&)>& accepts) {
  if (accepts(rect)) return true;
  for (const std::int32_t step : {2, 4, 8}) {
    const CaptureRect candidate = AlignedCandidate(rect, step, screenWidth, screenHeight);
    if (accepts(candidate)) {
      rect = candidate;
      return true;
    }
  }
  return false;
}

}  // namespace recording
