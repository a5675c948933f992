#include "bmp_file.h"

#include <cstring>

namespace app {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v) {
  out[at] = std::uint8_t(v);
  out[at + 1] = std::uint8_t(v >> 8);
}
void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) out[at + i] = std::uint8_t(v >> (8 * i));
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp(const StillImage& image) {
  const bool indexed = image.bitsPerPixel <= 8;
  const std::size_t tableEntries = indexed ? (std::size_t{1} << image.bitsPerPixel) : 0;
  const std::size_t tableBytes = 4 * tableEntries;
  const std::size_t pixelBytes = image.stride * static_cast<std::size_t>(image.height);
  const std::size_t offset = 14 + 40 + tableBytes;
  std::vector<std::uint8_t> out(offset + pixelBytes, 0);

  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<std::uint32_t>(out.size()));
  Put32(out, 10, static_cast<std::uint32_t>(offset));

  Put32(out, 14, 40);
  Put32(out, 18, static_cast<std::uint32_t>(image.width));
  Put32(out, 22, static_cast<std::uint32_t>(image.height));
  Put16(out, 26, 1);
  Put16(out, 28, static_cast<std::uint16_t>(image.bitsPerPixel));
  Put32(out, 30, 0);  // BI_RGB
  Put32(out, 34, static_cast<std::uint32_t>(pixelBytes));
  Put32(out, 46, static_cast<std::uint32_t>(tableEntries));

  for (std::size_t i = 0; i < tableEntries && i < image.palette.size(); ++i) {
    const std::uint32_t rgb = image.palette[i];
    std::uint8_t* entry = out.data() + 54 + 4 * i;
    entry[0] = std::uint8_t(rgb);        // blue
    entry[1] = std::uint8_t(rgb >> 8);   // green
    entry[2] = std::uint8_t(rgb >> 16);  // red
  }
  if (pixelBytes) std::memcpy(out.data() + offset, image.bits.data(), pixelBytes);
  return out;
}

}  // namespace app
