#include "camera/scrcam_bitmap.h"

void FillColorTable(std::uint8_t* colorTable, std::size_t colors, const std::vector<std::uint32_t>& palette) {
  for (std::size_t i = 0; i < colors; ++i) {
    const std::uint32_t rgb = i < palette.size() ? palette[i] : 0;
    std::uint8_t* entry = colorTable + 4 * i;
    entry[0] = std::uint8_t(rgb);
    entry[1] = std::uint8_t(rgb >> 8);
    entry[2] = std::uint8_t(rgb >> 16);
    entry[3] = 0;
  }
}
