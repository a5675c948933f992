#include "arrow_cursor.h"

#include <cstring>

namespace {

// 'X' black outline, '.' white body, ' ' transparent.
// clang-format off: the picture is the point
constexpr const char* kArrow[TArrowCursor::Height] = {
    "X           ", "XX          ", "X.X         ", "X..X        ", "X...X       ", "X....X      ", "X.....X     ",
    "X......X    ", "X.......X   ", "X........X  ", "X.........X ", "X......XXXXX", "X...X..X    ", "X..XX..X    ",
    "X.X  X..X   ", "XX   X..X   ", "X     X..X  ", "      X..X  ", "       X..X ", "       X..X ", "        XX  ",
};
// clang-format on

std::uint8_t NearestIndex(const std::uint8_t* colorTable, std::size_t colorCount, std::uint32_t rgb) {
  const int r = (rgb >> 16) & 0xff, g = (rgb >> 8) & 0xff, b = rgb & 0xff;
  std::size_t best = 0;
  long bestDistance = -1;
  for (std::size_t i = 0; i < colorCount && i < 256; ++i) {
    const std::uint8_t* e = colorTable + 4 * i;  // blue, green, red, zero
    const long db = e[0] - b, dg = e[1] - g, dr = e[2] - r;
    const long distance = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return static_cast<std::uint8_t>(best);
}

}  // namespace

bool TArrowCursor::MaskAt(int x, int y) {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return true;
  return kArrow[y][x] == ' ';
}

std::uint32_t TArrowCursor::ColorAt(int x, int y) {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return 0;
  return kArrow[y][x] == '.' ? 0xffffffu : 0;
}

void TArrowCursor::Draw(std::uint8_t* bottomRow, std::size_t stride, int width, int height, int bits,
                        const std::uint8_t* colorTable, std::size_t colorCount, int x, int y) {
  for (int cy = 0; cy < Height; ++cy) {
    const long long py = static_cast<long long>(y) + cy;
    if (py < 0 || py >= height) continue;
    std::uint8_t* row = bottomRow + static_cast<std::size_t>(height - 1 - py) * stride;
    for (int cx = 0; cx < Width; ++cx) {
      const long long px = static_cast<long long>(x) + cx;
      if (px < 0 || px >= width) continue;
      const bool keep = MaskAt(cx, cy);
      const std::uint32_t color = ColorAt(cx, cy);
      if (keep && color == 0) continue;  // transparent
      // AND with the mask (all ones keep, zero clears), then XOR the colour.
      switch (bits) {
        case 32:
        case 24: {
          std::uint8_t* p = row + static_cast<std::size_t>(px) * static_cast<std::size_t>(bits / 8);
          const std::uint8_t bgr[3] = {std::uint8_t(color), std::uint8_t(color >> 8), std::uint8_t(color >> 16)};
          for (int i = 0; i < 3; ++i) p[i] = std::uint8_t((keep ? p[i] : 0) ^ bgr[i]);
          break;
        }
        case 16: {
          std::uint16_t v;
          std::memcpy(&v, row + 2 * px, 2);
          const std::uint16_t c =
              std::uint16_t((((color >> 19) & 0x1f) << 10) | (((color >> 11) & 0x1f) << 5) | ((color >> 3) & 0x1f));
          v = std::uint16_t((keep ? v : 0) ^ c);
          std::memcpy(row + 2 * px, &v, 2);
          break;
        }
        case 8: {
          // Indices mean nothing bitwise: masked pixels take the nearest colour of the table,
          // inverted ones the opposite index.
          std::uint8_t& p = row[px];
          p = keep ? std::uint8_t(p ^ 0xff) : (colorTable ? NearestIndex(colorTable, colorCount, color) : 0);
          break;
        }
        default: break;
      }
    }
  }
}
