#include "platform/screen_cast_pictures.h"

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

constexpr std::size_t kPictureBytesPerPixel = 4;

struct Span {
  long long begin = 0, end = 0;
  bool Empty() const { return begin >= end; }
};

Span Intersect(long long aBegin, long long aLength, long long bBegin, long long bLength) {
  return Span{std::max(aBegin, bBegin), std::min(aBegin + aLength, bBegin + bLength)};
}

// The pixel under the centre of logical point `point` (counted from the area's start).
int PixelAt(long long point, int points, int pixels) {
  const long long pixel = ((2 * point + 1) * pixels) / (2LL * points);
  return static_cast<int>(std::clamp<long long>(pixel, 0, pixels - 1));
}

void CropOne(const PlacedPicture& picture, int x, int y, int height, int dibBits, std::uint8_t* dstBottomRow,
             std::size_t dstStride, const Span& columns, const Span& rows) {
  const std::size_t dibPixelBytes = static_cast<std::size_t>(dibBits / 8);
  const int width = static_cast<int>(columns.end - columns.begin);
  const auto dibRowOf = [&](long long line) {  // line in logical coordinates
    return dstBottomRow + static_cast<std::size_t>(y + height - 1 - line) * dstStride +
           static_cast<std::size_t>(columns.begin - x) * dibPixelBytes;
  };
  const bool unscaled = picture.width == picture.areaWidth && picture.height == picture.areaHeight;
  if (unscaled) {
    const long long lines = rows.end - rows.begin;
    const std::uint8_t* source = picture.pixels +
                                 static_cast<std::size_t>(rows.begin - picture.areaY) * picture.stride +
                                 static_cast<std::size_t>(columns.begin - picture.areaX) * kPictureBytesPerPixel;
    ConvertToDibRows(source, picture.stride, picture.format, width, static_cast<int>(lines), dibBits,
                     dibRowOf(rows.end - 1), dstStride);
    return;
  }
  // Scaled: gather each line's pixels first, then convert the line.
  std::vector<std::size_t> sourceColumns(static_cast<std::size_t>(width));
  for (int i = 0; i < width; ++i) {
    sourceColumns[static_cast<std::size_t>(i)] =
        static_cast<std::size_t>(PixelAt(columns.begin + i - picture.areaX, picture.areaWidth, picture.width)) *
        kPictureBytesPerPixel;
  }
  std::vector<std::uint8_t> line(static_cast<std::size_t>(width) * kPictureBytesPerPixel);
  for (long long logicalLine = rows.begin; logicalLine < rows.end; ++logicalLine) {
    const std::uint8_t* sourceLine =
        picture.pixels +
        static_cast<std::size_t>(PixelAt(logicalLine - picture.areaY, picture.areaHeight, picture.height)) *
            picture.stride;
    for (std::size_t i = 0; i < sourceColumns.size(); ++i) {
      std::memcpy(&line[i * kPictureBytesPerPixel], sourceLine + sourceColumns[i], kPictureBytesPerPixel);
    }
    ConvertToDibRows(line.data(), line.size(), picture.format, width, 1, dibBits, dibRowOf(logicalLine), dstStride);
  }
}

}  // namespace

void FitAreasToScreen(std::vector<PlacedPicture>& pictures, int screenWidth, int screenHeight) {
  long long left = 0, top = 0, right = 0, bottom = 0;
  bool any = false;
  for (PlacedPicture& p : pictures) {
    if (p.areaWidth <= 0 || p.areaHeight <= 0) {
      p.areaX = p.areaY = 0;
      p.areaWidth = screenWidth;
      p.areaHeight = screenHeight;
      continue;
    }
    left = any ? std::min<long long>(left, p.areaX) : p.areaX;
    top = any ? std::min<long long>(top, p.areaY) : p.areaY;
    right = any ? std::max<long long>(right, 0LL + p.areaX + p.areaWidth) : 0LL + p.areaX + p.areaWidth;
    bottom = any ? std::max<long long>(bottom, 0LL + p.areaY + p.areaHeight) : 0LL + p.areaY + p.areaHeight;
    any = true;
  }
  if (!any || screenWidth <= 0 || screenHeight <= 0) return;
  const long long spanWidth = right - left, spanHeight = bottom - top;
  if (spanWidth == screenWidth && spanHeight == screenHeight && left == 0 && top == 0) return;
  const auto scale = [](long long value, long long to, long long from) { return static_cast<int>(value * to / from); };
  for (PlacedPicture& p : pictures) {
    const long long x0 = p.areaX - left, y0 = p.areaY - top;
    const int x = scale(x0, screenWidth, spanWidth), y = scale(y0, screenHeight, spanHeight);
    p.areaWidth = scale(x0 + p.areaWidth, screenWidth, spanWidth) - x;
    p.areaHeight = scale(y0 + p.areaHeight, screenHeight, spanHeight) - y;
    p.areaX = x;
    p.areaY = y;
  }
}

void CropPictures(const std::vector<PlacedPicture>& pictures, int x, int y, int width, int height, int dibBits,
                  std::uint8_t* dstBottomRow, std::size_t dstStride, bool clearUncovered) {
  if (width <= 0 || height <= 0) return;
  if (clearUncovered) {
    const auto covers = [&](const PlacedPicture& p) {
      return p.pixels && p.areaX <= x && p.areaY <= y &&
             static_cast<long long>(p.areaX) + p.areaWidth >= 0LL + x + width &&
             static_cast<long long>(p.areaY) + p.areaHeight >= 0LL + y + height;
    };
    if (std::any_of(pictures.begin(), pictures.end(), covers)) {
      // One monitor holds it all (the usual case): only the rows' padding is left to zero.
      const std::size_t used = static_cast<std::size_t>(width) * static_cast<std::size_t>(dibBits / 8);
      for (int row = 0; row < height; ++row)
        std::memset(dstBottomRow + static_cast<std::size_t>(row) * dstStride + used, 0, dstStride - used);
    } else {
      std::memset(dstBottomRow, 0, dstStride * static_cast<std::size_t>(height));
    }
  }
  for (const PlacedPicture& picture : pictures) {
    if (!picture.pixels || picture.areaWidth <= 0 || picture.areaHeight <= 0) continue;
    const Span columns = Intersect(x, width, picture.areaX, picture.areaWidth);
    const Span rows = Intersect(y, height, picture.areaY, picture.areaHeight);
    if (columns.Empty() || rows.Empty()) continue;
    CropOne(picture, x, y, height, dibBits, dstBottomRow, dstStride, columns, rows);
  }
}

}  // namespace platform
