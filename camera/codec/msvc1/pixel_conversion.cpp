#include "camera/codec/msvc1/pixel_conversion.h"

#include <cstring>

namespace msvc1 {

void ConvertBgrx32(const std::uint8_t* src, int count, std::uint16_t* dst) {
  // Byte loads keep the loop free of alignment assumptions; the compiler vectorizes it.
  for (int x = 0; x < count; ++x) {
    const unsigned b = src[4 * x], g = src[4 * x + 1], r = src[4 * x + 2];
    dst[x] = static_cast<std::uint16_t>((To5Bits(r) << 10) | (To5Bits(g) << 5) | To5Bits(b));
  }
}

void ConvertRgb555(const std::uint8_t* src, int count, std::uint16_t* dst) {
  for (int x = 0; x < count; ++x) {
    std::uint16_t v;
    std::memcpy(&v, src + 2 * x, 2);
    dst[x] = v & 0x7FFF;
  }
}

void ConvertIndexed8(const std::uint8_t* src, int count, const std::uint16_t* colours, std::uint16_t* dst) {
  for (int x = 0; x < count; ++x) dst[x] = colours[src[x]];
}

}  // namespace msvc1
