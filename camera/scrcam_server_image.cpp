#include "camera/scrcam_server_image.h"

TServerImage::TServerImage(int width, int height, const platform::ScreenPixelFormat& format,
                           std::vector<std::uint8_t> rows, std::size_t stride, std::vector<std::uint32_t> palette)
    : width_(width),
      height_(height),
      format_(format),
      rows_(std::move(rows)),
      stride_(stride),
      palette_(std::move(palette)) {}

bool TServerImage::GetDIBits(unsigned bits, std::uint8_t* colorTable, std::uint8_t* bottomRow, std::size_t stride) {
  if (width_ <= 0 || height_ <= 0) return false;
  if (rows_.size() < stride_ * static_cast<std::size_t>(height_)) return false;
  const bool trueColour = bits == 32 || bits == 24 || bits == 16;
  const bool indexed = bits == 8 && format_.IsIndexed() && format_.bitsPerPixel == 8;
  if (!trueColour && !indexed) return false;
  if (indexed) FillColorTable(colorTable, 256, palette_);
  platform::ConvertToDibRows(rows_.data(), stride_, format_, width_, height_, static_cast<int>(bits), bottomRow, stride,
                             palette_.empty() ? nullptr : palette_.data(), palette_.size());
  return true;
}
