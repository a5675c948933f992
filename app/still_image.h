#pragma once
// A still: the screen pixels of a rectangle in the display's own format, kept as DIB rows.
#include <cstddef>
#include <cstdint>
#include <vector>

class QImage;

namespace app {

// Screen rectangle; right and bottom exclusive.
struct CaptureRectangle {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool HasPixels() const { return Width() > 0 && Height() > 0; }
};

struct StillImage {
  int width = 0, height = 0;
  int bitsPerPixel = 0;                // the display's: 32, 24, 16 (5-5-5) or 8
  std::size_t stride = 0;              // bytes per row, a multiple of 4
  std::vector<std::uint8_t> bits;      // rows bottom row first
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB, only on palette displays

  const std::uint8_t* Row(int yFromTop) const {
    return bits.data() + static_cast<std::size_t>(height - 1 - yFromTop) * stride;
  }
};

// Grabs the rectangle from the screen. Throws std::runtime_error when the screen cannot be read.
StillImage CaptureRect(const CaptureRectangle& rect);
// The whole primary display.
CaptureRectangle WholeScreenRectangle();
// The display's palette, empty on true-colour displays.
std::vector<std::uint32_t> CreateSystemPalette();

// The still as a top-down image, for the clipboard (indexed with its palette at 8 bits).
QImage ToQImage(const StillImage& image);

}  // namespace app
