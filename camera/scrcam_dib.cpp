#include "camera/scrcam_dib.h"

#include <cstring>
#include <limits>

#include "camera/scrcam_bitmap.h"

namespace {

constexpr std::size_t kHeaderSize = 40;

void Put32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = std::uint8_t(value >> (8 * i));
}
void Put16(std::uint8_t* at, std::uint16_t value) {
  at[0] = std::uint8_t(value);
  at[1] = std::uint8_t(value >> 8);
}

}  // namespace

TPackedDibLayout PackedDibLayout(std::int64_t width, std::int64_t height, std::uint32_t bits) {
  TPackedDibLayout layout;
  if (width < 0 || height < 0 || width > std::numeric_limits<std::int32_t>::max() ||
      height > std::numeric_limits<std::int32_t>::max() || bits == 0 || bits > 32) {
    return layout;
  }
  layout.stride = static_cast<std::size_t>((width * bits + 31) / 32 * 4);
  layout.colorsUsed = bits <= 8 ? (1u << bits) : 0u;
  const unsigned __int128 image = static_cast<unsigned __int128>(layout.stride) * static_cast<std::uint64_t>(height);
  if (image > std::numeric_limits<std::uint32_t>::max()) return layout;  // biSizeImage could not say it
  layout.imageSize = static_cast<std::size_t>(image);
  layout.blockSize = kHeaderSize + 4u * layout.colorsUsed + layout.imageSize;
  layout.valid = true;
  return layout;
}

platform::GlobalHandle_t BitmapToPackedDib(TDeviceBitmap& bitmap, std::uint32_t bitsPerPixel, bool* unreadable) {
  if (unreadable) *unreadable = false;
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  const TPackedDibLayout layout = PackedDibLayout(width, height, bitsPerPixel);
  if (!layout.valid) return nullptr;
  const bool filled = bitmap.FillsEveryByte();
  platform::GlobalHandle_t block =
      platform::GlobalAlloc(platform::GMEM_MOVEABLE | (filled ? 0u : platform::GMEM_ZEROINIT), layout.blockSize);
  if (!block) return nullptr;
  auto* dib = static_cast<std::uint8_t*>(platform::GlobalLock(block));
  if (filled) std::memset(dib, 0, layout.blockSize - layout.imageSize);  // header and colour table

  Put32(dib + 0, kHeaderSize);
  Put32(dib + 4, static_cast<std::uint32_t>(width));
  Put32(dib + 8, static_cast<std::uint32_t>(height));  // positive: bottom row first
  Put16(dib + 12, 1);
  Put16(dib + 14, static_cast<std::uint16_t>(bitsPerPixel));
  Put32(dib + 16, 0);  // uncompressed RGB
  Put32(dib + 20, static_cast<std::uint32_t>(layout.imageSize));
  Put32(dib + 32, layout.colorsUsed);
  // Pels per metre and important colours stay zero from the zero-filled block.

  std::uint8_t* colorTable = dib + kHeaderSize;
  std::uint8_t* pixels = colorTable + 4u * layout.colorsUsed;
  const bool read = bitmap.GetDIBits(bitsPerPixel, colorTable, pixels, layout.stride);
  Put32(dib + 32, layout.colorsUsed);  // whatever the conversion left there

  platform::GlobalUnlock(block);
  if (!read) {
    platform::GlobalFree(block);
    if (unreadable) *unreadable = true;
    return nullptr;
  }
  return block;
}

void FreeFrame(PackedDib& frame) {
  if (!frame) return;
  platform::GlobalHandle_t block = platform::GlobalHandle(frame);
  platform::GlobalUnlock(block);
  platform::GlobalFree(block);
  frame = nullptr;
}
