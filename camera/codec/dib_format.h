#pragma once
// The frame format a compressor is fed: what a packed DIB's header and colour table say.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace codec {

struct DibFormat {
  int width = 0;
  int height = 0;                            // rows are stored bottom row first
  int bitsPerPixel = 0;                      // 8 (palette), 16 (5-5-5), 24 or 32 (B,G,R,0)
  std::array<std::uint32_t, 256> palette{};  // 0x00RRGGBB, used at 8 bits per pixel

  // Bytes in one row, padded to whole 32-bit words.
  std::size_t Stride() const;
  std::size_t ImageSize() const { return Stride() * static_cast<std::size_t>(height); }
};

// Largest side any compressor is offered.
inline constexpr int kMaxFrameSide = 16384;

// Reads a BITMAPINFOHEADER and its colour table from `format`, of which `available` bytes may be
// read. Gives nothing for what no compressor here takes: another compression than BI_RGB,
// top-down rows, 1 or 4 bits per pixel, an empty or oversized picture, a short block.
std::optional<DibFormat> ReadDibFormat(const void* format, std::size_t available);

// The rows of an 8-bit (palette), 16-bit (x-5-5-5) or 24-bit DIB of `format` as B,G,R,0 rows
// without padding, for encoders that read four bytes a pixel: `widened` (resized here) holds them,
// in the same order.
void WidenTo32Bits(const DibFormat& format, const std::uint8_t* dibBits, std::vector<std::uint8_t>& widened);

}  // namespace codec
