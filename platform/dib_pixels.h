#pragma once
// Conversion of screen pixels as the X server delivers them (ZPixmap rows, top row first)
// into device-independent bitmap rows (bottom row first) at 32, 24, 16 (5-5-5) or 8 bits per pixel.
#include <cstddef>
#include <cstdint>

namespace platform {

// How the X server lays out one pixel of the screen.
struct ScreenPixelFormat {
  int depth = 0;                                      // significant bits: 24, 16, 15, 8 ...
  int bitsPerPixel = 0;                               // storage bits of one pixel: 32, 24, 16, 8
  uint32_t redMask = 0, greenMask = 0, blueMask = 0;  // zero for palette (indexed) formats
  bool IsIndexed() const { return redMask == 0 && greenMask == 0 && blueMask == 0; }
};

// Bytes in one DIB row of `width` pixels at `bitsPerPixel`, padded to whole 32-bit words.
std::size_t DibStride(std::int64_t width, unsigned bitsPerPixel);

// Converts a block of `width` x `height` server pixels into DIB layout.
// `src` points at the top-left source pixel; `dstBottomRow` points at the DIB row that receives
// the bottom source row, and each higher source row goes `dstStride` bytes further.
// Indexed sources keep their indices at 8 bits per DIB pixel; true-colour DIBs of an indexed source
// go through `palette` (0x00RRGGBB entries, `paletteSize` of them).
void ConvertToDibRows(const std::uint8_t* src, std::size_t srcStride, const ScreenPixelFormat& format, int width,
                      int height, int dibBitsPerPixel, std::uint8_t* dstBottomRow, std::size_t dstStride,
                      const std::uint32_t* palette = nullptr, std::size_t paletteSize = 0);

}  // namespace platform
