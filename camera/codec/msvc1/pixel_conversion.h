#pragma once
// DIB pixels to the 5-5-5 values Video 1 codes.
#include <cstdint>

namespace msvc1 {

// Nearest 5-bit level of an 8-bit channel, for levels that a decoder widens by bit replication
// (v << 3 | v >> 2): round(v * 31 / 255).
constexpr unsigned To5Bits(unsigned v) { return (v * 249 + 1024) >> 11; }

// 0x00RRGGBB to 5-5-5.
constexpr std::uint16_t Rgb555FromRgb(std::uint32_t rgb) {
  return static_cast<std::uint16_t>((To5Bits((rgb >> 16) & 255) << 10) | (To5Bits((rgb >> 8) & 255) << 5) |
                                    To5Bits(rgb & 255));
}

// `count` pixels of one DIB row.
void ConvertBgrx32(const std::uint8_t* src, int count, std::uint16_t* dst);
void ConvertRgb555(const std::uint8_t* src, int count, std::uint16_t* dst);
void ConvertIndexed8(const std::uint8_t* src, int count, const std::uint16_t* colours, std::uint16_t* dst);

}  // namespace msvc1
