#pragma once
// TDeviceBitmap: what a frame's pixels are converted from.
#include <cstddef>
#include <cstdint>
#include <vector>

// A device-dependent image: pixels in the display's own layout, as a bitmap compatible with the
// screen holds them.
class TDeviceBitmap {
 public:
  virtual ~TDeviceBitmap() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Converts the pixels into DIB rows at `bits` per pixel (bottom row first, `stride` bytes
  // apart) and, for 8 bits or less, fills the colour table (4-byte blue-green-red-zero entries);
  // false when the pixels cannot be read.
  virtual bool GetDIBits(unsigned bits, std::uint8_t* colorTable, std::uint8_t* bottomRow, std::size_t stride) = 0;
  // True when GetDIBits writes every byte of the rows (padding and unreadable parts as zero), so
  // the block need not be cleared first: for a full-screen frame that clearing costs as much as
  // a third of the grab.
  virtual bool FillsEveryByte() const { return false; }
};

// Writes `colors` colour-table entries (blue, green, red, zero) from 0x00RRGGBB `palette` entries;
// entries past the palette's end are black.
void FillColorTable(std::uint8_t* colorTable, std::size_t colors, const std::vector<std::uint32_t>& palette);
