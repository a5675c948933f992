#pragma once
// TServerImage: pixels as the X server keeps them, converted into frames like the screen's own.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "camera/scrcam_bitmap.h"
#include "platform/dib_pixels.h"

// An image in the X server's own pixel layout (ZPixmap rows, top row first, `stride` bytes apart),
// with the colormap (0x00RRGGBB entries) of an indexed layout.
class TServerImage : public TDeviceBitmap {
 public:
  TServerImage(int width, int height, const platform::ScreenPixelFormat& format, std::vector<std::uint8_t> rows,
               std::size_t stride, std::vector<std::uint32_t> palette = {});
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // Converts to 32, 24, 16 (5-5-5) or, from an indexed layout, 8 bits; other depths fail.
  bool GetDIBits(unsigned bits, std::uint8_t* colorTable, std::uint8_t* bottomRow, std::size_t stride) override;

 private:
  int width_, height_;
  platform::ScreenPixelFormat format_;
  std::vector<std::uint8_t> rows_;
  std::size_t stride_;
  std::vector<std::uint32_t> palette_;
};
