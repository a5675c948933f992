#include "dib_pixels.h"

#include <bit>
#include <cstring>

namespace platform {
namespace {

// Scales the channel selected by `mask` to 8 bits.
inline std::uint32_t Channel8(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  std::uint32_t value = (pixel & mask) >> shift;
  if (bits >= 8) return value >> (bits - 8);
  // Replicate the high bits so that full intensity stays full (31 -> 255).
  std::uint32_t wide = value << (8 - bits);
  return wide | (wide >> bits);
}

inline std::uint32_t LoadPixel(const std::uint8_t* p, int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 32: {
      std::uint32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
    case 24: return p[0] | (static_cast<std::uint32_t>(p[1]) << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
    case 16: {
      std::uint16_t v;
      std::memcpy(&v, p, 2);
      return v;
    }
    default: return p[0];
  }
}

inline void StoreRgb(std::uint8_t* dstRow, int x, int dibBits, std::uint32_t r, std::uint32_t g, std::uint32_t b,
                     std::uint32_t index) {
  switch (dibBits) {
    case 32: {
      std::uint8_t* d = dstRow + 4 * x;
      d[0] = std::uint8_t(b);
      d[1] = std::uint8_t(g);
      d[2] = std::uint8_t(r);
      d[3] = 0;
      break;
    }
    case 24: {
      std::uint8_t* d = dstRow + 3 * x;
      d[0] = std::uint8_t(b);
      d[1] = std::uint8_t(g);
      d[2] = std::uint8_t(r);
      break;
    }
    case 16: {
      const std::uint16_t v = std::uint16_t(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
      std::memcpy(dstRow + 2 * x, &v, 2);
      break;
    }
    default: dstRow[x] = std::uint8_t(index);
  }
}

// Copies `width` 32-bit pixels, clearing the padding byte that is undefined on the wire. Sixteen
// bytes at a time: this runs over every pixel of every frame, and the compiler leaves the plain
// loop scalar at the optimisation level of the usual builds.
void CopyClearingPadding(const std::uint8_t* src, std::uint8_t* dst, int width) {
  using Pixels4 = std::uint32_t __attribute__((vector_size(16)));
  constexpr Pixels4 kColourBytes = {0x00ffffffu, 0x00ffffffu, 0x00ffffffu, 0x00ffffffu};
  int x = 0;
  for (; x + 4 <= width; x += 4) {
    Pixels4 v;
    std::memcpy(&v, src + 4 * x, sizeof v);
    v &= kColourBytes;
    std::memcpy(dst + 4 * x, &v, sizeof v);
  }
  for (; x < width; ++x) {
    std::uint32_t v;
    std::memcpy(&v, src + 4 * x, 4);
    v &= 0x00ffffffu;
    std::memcpy(dst + 4 * x, &v, 4);
  }
}

bool IsStandard32(const ScreenPixelFormat& f) {
  return f.bitsPerPixel == 32 && f.redMask == 0xff0000 && f.greenMask == 0xff00 && f.blueMask == 0xff;
}
bool IsStandard565(const ScreenPixelFormat& f) {
  return f.bitsPerPixel == 16 && f.redMask == 0xf800 && f.greenMask == 0x07e0 && f.blueMask == 0x001f;
}
bool IsStandard555(const ScreenPixelFormat& f) {
  return f.bitsPerPixel == 16 && f.redMask == 0x7c00 && f.greenMask == 0x03e0 && f.blueMask == 0x001f;
}

}  // namespace

std::size_t DibStride(std::int64_t width, unsigned bitsPerPixel) {
  return static_cast<std::size_t>((width * static_cast<std::int64_t>(bitsPerPixel) + 31) / 32 * 4);
}

void ConvertToDibRows(const std::uint8_t* src, std::size_t srcStride, const ScreenPixelFormat& format, int width,
                      int height, int dibBits, std::uint8_t* dstBottomRow, std::size_t dstStride,
                      const std::uint32_t* palette, std::size_t paletteSize) {
  if (width <= 0 || height <= 0) return;
  const int srcBytes = format.bitsPerPixel / 8;
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* s = src + static_cast<std::size_t>(row) * srcStride;
    std::uint8_t* d = dstBottomRow + static_cast<std::size_t>(height - 1 - row) * dstStride;

    // Fast paths for the layouts real servers use.
    if (dibBits == 32 && IsStandard32(format)) {
      CopyClearingPadding(s, d, width);
      continue;
    }
    if (dibBits == 16 && IsStandard565(format)) {
      for (int x = 0; x < width; ++x) {
        std::uint16_t v;
        std::memcpy(&v, s + 2 * x, 2);
        const std::uint16_t out = std::uint16_t(((v >> 1) & 0x7fe0) | (v & 0x1f));
        std::memcpy(d + 2 * x, &out, 2);
      }
      continue;
    }
    if (dibBits == 16 && IsStandard555(format)) {
      for (int x = 0; x < width; ++x) {
        std::uint16_t v;
        std::memcpy(&v, s + 2 * x, 2);
        v &= 0x7fff;
        std::memcpy(d + 2 * x, &v, 2);
      }
      continue;
    }
    if (dibBits == 8 && format.IsIndexed() && format.bitsPerPixel == 8) {
      std::memcpy(d, s, static_cast<std::size_t>(width));
      continue;
    }

    for (int x = 0; x < width; ++x) {
      const std::uint32_t pixel = LoadPixel(s + srcBytes * x, format.bitsPerPixel);
      std::uint32_t r, g, b;
      if (format.IsIndexed()) {
        const std::uint32_t rgb = (palette && pixel < paletteSize) ? palette[pixel] : 0;
        r = (rgb >> 16) & 0xff;
        g = (rgb >> 8) & 0xff;
        b = rgb & 0xff;
      } else {
        r = Channel8(pixel, format.redMask);
        g = Channel8(pixel, format.greenMask);
        b = Channel8(pixel, format.blueMask);
      }
      StoreRgb(d, x, dibBits, r, g, b, pixel);
    }
  }
}

}  // namespace platform
