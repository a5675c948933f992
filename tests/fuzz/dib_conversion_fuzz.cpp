// Fuzz target: server pixels of any layout and size into DIB rows of any depth.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/dib_pixels.h"

namespace {

std::uint32_t Take32(const std::uint8_t*& data, std::size_t& size) {
  std::uint32_t value = 0;
  const std::size_t n = size < 4 ? size : 4;
  std::memcpy(&value, data, n);
  data += n;
  size -= n;
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  const int kBits[] = {8, 16, 24, 32};
  const std::uint32_t shape = Take32(data, size);
  const int width = 1 + static_cast<int>(shape & 0x7f);
  const int height = 1 + static_cast<int>((shape >> 7) & 0x3f);
  const int dibBits = kBits[(shape >> 13) & 3];
  platform::ScreenPixelFormat format;
  format.bitsPerPixel = kBits[(shape >> 15) & 3];
  format.depth = format.bitsPerPixel == 32 ? 24 : format.bitsPerPixel;
  if ((shape >> 17) & 1) {  // true colour with masks from the input, possibly odd ones
    format.redMask = Take32(data, size);
    format.greenMask = Take32(data, size);
    format.blueMask = Take32(data, size);
  }
  const std::size_t paletteSize = (shape >> 18) & 0x1ff;
  std::vector<std::uint32_t> palette(paletteSize, 0x123456);

  // Exactly sized buffers, so that any stray access is caught.
  const std::size_t srcStride = platform::DibStride(width, static_cast<unsigned>(format.bitsPerPixel));
  std::vector<std::uint8_t> src(srcStride * static_cast<std::size_t>(height));
  for (std::size_t i = 0; i < src.size() && size > 0; ++i, ++data, --size) src[i] = *data;
  const std::size_t dstStride = platform::DibStride(width, static_cast<unsigned>(dibBits));
  std::vector<std::uint8_t> dst(dstStride * static_cast<std::size_t>(height));
  platform::ConvertToDibRows(src.data(), srcStride, format, width, height, dibBits, dst.data(), dstStride,
                             palette.empty() ? nullptr : palette.data(), palette.size());
  return 0;
}
