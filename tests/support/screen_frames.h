#pragma once
// Synthetic screen pictures for codec tests and benchmarks: a mostly static desktop (background,
// task bar, two windows full of text) with one window moving over it and a clock in the task bar
// that changes. Header only, so that benchmarks can use it without the test libraries.
#include <algorithm>
#include <cstdint>
#include <vector>

namespace testsupport {

// Top row first, 0x00RRGGBB per pixel.
struct RgbPicture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

namespace screen_frames_detail {

inline void FillRect(RgbPicture& picture, int left, int top, int w, int h, std::uint32_t colour) {
  const int x0 = std::max(left, 0), y0 = std::max(top, 0);
  const int x1 = std::min(left + w, picture.width), y1 = std::min(top + h, picture.height);
  for (int y = y0; y < y1; ++y)
    std::fill_n(picture.pixels.begin() + static_cast<std::ptrdiff_t>(y) * picture.width + x0, std::max(0, x1 - x0),
                colour);
}

// A 5 x 7 glyph made up from the character code: looks like text to a compressor.
inline bool GlyphBit(unsigned code, int x, int y) {
  std::uint32_t h = code * 2654435761u + static_cast<std::uint32_t>(y * 5 + x) * 40503u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return (h & 3u) == 0 || (x == 0 && (code & 1u) && y > 1);
}

inline void DrawText(RgbPicture& picture, int left, int top, unsigned seed, int characters, std::uint32_t colour) {
  for (int c = 0; c < characters; ++c) {
    const unsigned code = seed * 31u + static_cast<unsigned>(c);
    if (code % 7u == 0) continue;  // a space
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 5; ++x)
        if (GlyphBit(code, x, y)) FillRect(picture, left + c * 6 + x, top + y, 1, 1, colour);
  }
}

inline void DrawWindow(RgbPicture& picture, int left, int top, int w, int h, unsigned seed, std::uint32_t title) {
  FillRect(picture, left - 1, top - 1, w + 2, h + 2, 0x404040);
  FillRect(picture, left, top, w, 22, title);
  DrawText(picture, left + 6, top + 8, seed, std::max(0, (w - 60) / 6), 0xFFFFFF);
  FillRect(picture, left, top + 22, w, h - 22, 0xF4F4F4);
  for (int line = 0; 30 + line * 12 + 7 < h; ++line)
    DrawText(picture, left + 8, top + 30 + line * 12, seed + 17u * static_cast<unsigned>(line) + 1u,
             std::max(0, (w - 16) / 6 - (line * 7) % 11), 0x101010);
}

}  // namespace screen_frames_detail

// Frame `index` of the sequence at the given size. Any size from 1 x 1 up works.
inline RgbPicture ScreenFrame(int width, int height, int index) {
  using namespace screen_frames_detail;
  RgbPicture picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.assign(static_cast<std::size_t>(width) * height, 0);
  for (int y = 0; y < height; ++y) {
    // A gentle vertical gradient in the desktop colour.
    const std::uint32_t g = 0x60 + static_cast<std::uint32_t>(y * 0x30 / std::max(1, height));
    FillRect(picture, 0, y, width, 1, 0x00 << 16 | g << 8 | (g + 0x10));
  }
  DrawWindow(picture, width / 16, height / 12, width / 2, height / 2, 11u, 0x2050A0);
  DrawWindow(picture, width * 5 / 8, height / 5, width / 3, height * 2 / 3, 23u, 0x3070B0);
  // The moving window: 8 pixels right and 4 down per frame, wrapping around.
  const int mw = std::max(8, width / 4), mh = std::max(8, height / 4);
  const int mx = (index * 8) % std::max(1, width - mw / 2) - mw / 4;
  const int my = (height / 3 + index * 4) % std::max(1, height - mh / 2);
  DrawWindow(picture, mx, my, mw, mh, 37u, 0xA03030);
  // The task bar with a clock that changes every frame.
  const int bar = std::max(1, std::min(28, height / 10));
  FillRect(picture, 0, height - bar, width, bar, 0xC0C0C0);
  DrawText(picture, width - 40, height - bar + (bar - 7) / 2, 100u + static_cast<unsigned>(index), 5, 0x000000);
  return picture;
}

}  // namespace testsupport
