#pragma once
// B,G,R,0 rows into the planar 4:2:0 pictures of the YUV encoders (H.264, MPEG-4, Motion JPEG),
// BT.601 at studio or full range. libyuv's vector rows do a full-HD frame about fifteen times
// faster than libswscale's general path, which cost more than the H.264 coding itself.
#include <cstddef>
#include <cstdint>

namespace codec {

// `topRow` is the picture's top row of `width` x `height` pixels; each lower row lies `rowStep`
// bytes further (negative for bottom-up DIB rows). `planes` and `strides` are Y, U and V.
// `fullRange`: 0..255 (JPEG) instead of 16..235. Returns false for sizes it cannot convert.
bool Bgr0ToYuv420(const std::uint8_t* topRow, std::ptrdiff_t rowStep, int width, int height, bool fullRange,
                  std::uint8_t* const planes[3], const int strides[3]);

}  // namespace codec
