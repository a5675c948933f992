#pragma once
// Packed DIBs, the frames of the engine: their layout, the conversion of a device-dependent image
// into one, their release.
#include <cstddef>
#include <cstdint>

#include "platform/global_memory.h"

class TDeviceBitmap;

// A frame: the locked block of a packed DIB, pointing at its BITMAPINFOHEADER; header, colour
// table and pixel rows (bottom row first) follow each other without a gap.
using PackedDib = void*;

// Converts `bitmap` into a packed DIB at `bitsPerPixel` in a new zero-filled block; returns the
// block unlocked, or null when none can be had (too large included) or when the pixels cannot be
// read, which `unreadable` (when given) then tells apart: a block of made-up pixels would pass
// for a capture.
platform::GlobalHandle_t BitmapToPackedDib(TDeviceBitmap& bitmap, std::uint32_t bitsPerPixel,
                                           bool* unreadable = nullptr);

// Releases a frame and clears the reference; a null reference is left alone.
void FreeFrame(PackedDib& frame);

// Sizes of a packed DIB of width x height at `bits` per pixel; `valid` is false when the image
// part would not fit the header's 32-bit size field.
struct TPackedDibLayout {
  std::size_t stride = 0;
  std::uint32_t colorsUsed = 0;
  std::size_t imageSize = 0;
  std::size_t blockSize = 0;
  bool valid = false;
};
TPackedDibLayout PackedDibLayout(std::int64_t width, std::int64_t height, std::uint32_t bits);
