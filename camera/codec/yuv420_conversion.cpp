#include "camera/codec/yuv420_conversion.h"

#include <libyuv/convert_from_argb.h>

#include <climits>

namespace codec {

bool Bgr0ToYuv420(const std::uint8_t* topRow, std::ptrdiff_t rowStep, int width, int height, bool fullRange,
                  std::uint8_t* const planes[3], const int strides[3]) {
  if (width <= 0 || height <= 0 || rowStep > INT_MAX || rowStep < -INT_MAX) return false;
  // libyuv's "ARGB" is B,G,R,A in memory: the DIB's byte order. Its rows ignore the fourth byte.
  const auto convert = fullRange ? libyuv::ARGBToJ420 : libyuv::ARGBToI420;
  return convert(topRow, static_cast<int>(rowStep), planes[0], strides[0], planes[1], strides[1], planes[2], strides[2],
                 width, height) == 0;
}

}  // namespace codec
