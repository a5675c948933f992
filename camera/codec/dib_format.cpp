#include "camera/codec/dib_format.h"

#include <cstring>

#include "camera/codec/vfw_types.h"

namespace codec {

std::size_t DibFormat::Stride() const {
  const std::int64_t bits = static_cast<std::int64_t>(width) * bitsPerPixel;
  return static_cast<std::size_t>((bits + 31) / 32 * 4);
}

std::optional<DibFormat> ReadDibFormat(const void* format, std::size_t available) {
  if (!format || available < sizeof(BITMAPINFOHEADER)) return std::nullopt;
  BITMAPINFOHEADER header;
  std::memcpy(&header, format, sizeof header);
  if (header.biSize < sizeof header || header.biSize > available) return std::nullopt;
  if (header.biPlanes != 1 || header.biCompression != BI_RGB) return std::nullopt;
  if (header.biWidth < 1 || header.biHeight < 1 || header.biWidth > kMaxFrameSide || header.biHeight > kMaxFrameSide)
    return std::nullopt;
  const int bits = header.biBitCount;
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return std::nullopt;

  DibFormat dib;
  dib.width = header.biWidth;
  dib.height = header.biHeight;
  dib.bitsPerPixel = bits;
  if (bits == 8) {
    // 0 colours used means the full table.
    const std::uint32_t colours = header.biClrUsed == 0 ? 256 : header.biClrUsed;
    if (colours > 256) return std::nullopt;
    if (available - header.biSize < colours * 4u) return std::nullopt;
    std::memcpy(dib.palette.data(), static_cast<const std::uint8_t*>(format) + header.biSize, colours * 4u);
    for (std::uint32_t& entry : dib.palette) entry &= 0x00FFFFFFu;
  }
  return dib;
}

void WidenTo32Bits(const DibFormat& format, const std::uint8_t* dibBits, std::vector<std::uint8_t>& widened) {
  const std::size_t stride = format.Stride();
  widened.resize(static_cast<std::size_t>(format.width) * static_cast<std::size_t>(format.height) * 4);
  std::uint8_t* out = widened.data();
  // Five bits to eight: the top bits repeated below, so that 31 becomes 255.
  auto five = [](unsigned v) { return static_cast<std::uint8_t>((v << 3) | (v >> 2)); };
  for (int y = 0; y < format.height; ++y) {
    const std::uint8_t* row = dibBits + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < format.width; ++x, out += 4) {
      switch (format.bitsPerPixel) {
        case 8: {
          const std::uint32_t colour = format.palette[row[x]];  // 0x00RRGGBB
          out[0] = static_cast<std::uint8_t>(colour);
          out[1] = static_cast<std::uint8_t>(colour >> 8);
          out[2] = static_cast<std::uint8_t>(colour >> 16);
          break;
        }
        case 16: {
          const unsigned v = row[2 * x] | static_cast<unsigned>(row[2 * x + 1]) << 8;
          out[0] = five(v & 31);
          out[1] = five((v >> 5) & 31);
          out[2] = five((v >> 10) & 31);
          break;
        }
        default:
          out[0] = row[3 * x];
          out[1] = row[3 * x + 1];
          out[2] = row[3 * x + 2];
          break;
      }
      out[3] = 0;
    }
  }
}

}  // namespace codec
