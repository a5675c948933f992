#include "tests/msvc1/screen_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <stdexcept>

namespace msvc1test {

Dib::Dib(int width, int height, int bitsPerPixel)
    : width_(width),
      height_(height),
      bitsPerPixel_(bitsPerPixel),
      stride_((static_cast<std::size_t>(width) * bitsPerPixel + 31) / 32 * 4),
      bits_(stride_ * height, 0) {
  if (bitsPerPixel == 8) palette_.assign(256, 0), paletteUsed_ = 1;  // entry 0: black
}

void Dib::Set(int x, int y, std::uint32_t rgb) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  std::uint8_t* p = bits_.data() + static_cast<std::size_t>(height_ - 1 - y) * stride_;
  switch (bitsPerPixel_) {
    case 32: std::memcpy(p + 4 * x, &rgb, 4); break;
    case 16: {
      const std::uint16_t v =
          static_cast<std::uint16_t>(((rgb >> 9) & 0x7C00) | ((rgb >> 6) & 0x03E0) | ((rgb >> 3) & 0x1F));
      std::memcpy(p + 2 * x, &v, 2);
      break;
    }
    default: {
      auto end = palette_.begin() + paletteUsed_;
      auto found = std::find(palette_.begin(), end, rgb);
      if (found == end) {
        if (paletteUsed_ == 256) throw std::runtime_error("palette full");
        palette_[paletteUsed_++] = rgb;
      }
      p[x] = static_cast<std::uint8_t>(found - palette_.begin());
    }
  }
}

std::uint32_t Dib::Get(int x, int y) const {
  const std::uint8_t* p = bits_.data() + static_cast<std::size_t>(height_ - 1 - y) * stride_;
  switch (bitsPerPixel_) {
    case 32: {
      std::uint32_t v;
      std::memcpy(&v, p + 4 * x, 4);
      return v & 0xFFFFFF;
    }
    case 16: {
      std::uint16_t v;
      std::memcpy(&v, p + 2 * x, 2);
      return Widen555(v);
    }
    default: return palette_[p[x]];
  }
}

void Dib::Fill(int x, int y, int width, int height, std::uint32_t rgb) {
  for (int row = y; row < y + height; ++row)
    for (int col = x; col < x + width; ++col) Set(col, row, rgb);
}

std::uint32_t GridColour(int r5, int g5, int b5) {
  auto widen = [](int v) { return static_cast<std::uint32_t>((v << 3) | (v >> 2)); };
  return (widen(r5) << 16) | (widen(g5) << 8) | widen(b5);
}

std::uint32_t Widen555(std::uint16_t c) { return GridColour((c >> 10) & 31, (c >> 5) & 31, c & 31); }

void DrawText(Dib& dib, int x, int y, int columns, int rows, std::uint32_t ink, std::uint32_t paper, unsigned seed) {
  std::mt19937 random(seed);
  dib.Fill(x, y, columns * 6, rows * 10, paper);
  for (int row = 0; row < rows; ++row)
    for (int column = 0; column < columns; ++column) {
      if (random() % 7 == 0) continue;  // a space
      const int left = x + column * 6, top = y + row * 10 + 1;
      // A glyph: a few vertical and horizontal strokes in a 5 x 7 box.
      for (int stroke = 0; stroke < 3; ++stroke) {
        if (random() & 1) {
          const int cx = left + static_cast<int>(random() % 5);
          for (int cy = top; cy < top + 7; ++cy) dib.Set(cx, cy, ink);
        } else {
          const int cy = top + static_cast<int>(random() % 7);
          for (int cx = left; cx < left + 5; ++cx) dib.Set(cx, cy, ink);
        }
      }
    }
}

void DrawGradient(Dib& dib, int x, int y, int width, int height, std::uint32_t top, std::uint32_t bottom) {
  for (int row = 0; row < height; ++row) {
    std::uint32_t rgb = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const int a = (top >> shift) & 255, b = (bottom >> shift) & 255;
      rgb |= static_cast<std::uint32_t>(a + (b - a) * row / std::max(1, height - 1)) << shift;
    }
    for (int col = x; col < x + width; ++col) dib.Set(col, y + row, rgb);
  }
}

void DrawPhoto(Dib& dib, int x, int y, int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  const double fx = 0.02 + (random() % 100) * 1e-4, fy = 0.03 + (random() % 100) * 1e-4;
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col) {
      const double u = col * fx, v = row * fy;
      const int r = static_cast<int>(128 + 90 * std::sin(u + 0.5 * std::cos(v))) + static_cast<int>(random() % 9);
      const int g = static_cast<int>(120 + 80 * std::sin(v * 1.3 + u * 0.4)) + static_cast<int>(random() % 9);
      const int b = static_cast<int>(110 + 70 * std::cos(u * 0.7 - v)) + static_cast<int>(random() % 9);
      dib.Set(x + col, y + row,
              (std::uint32_t(std::clamp(r, 0, 255)) << 16) | (std::uint32_t(std::clamp(g, 0, 255)) << 8) |
                  std::uint32_t(std::clamp(b, 0, 255)));
    }
}

void DrawDesktop(Dib& dib) {
  const int w = dib.Width(), h = dib.Height();
  DrawGradient(dib, 0, 0, w, h, 0x203860, 0x5080B0);
  for (int i = 0; i < 6 && 16 + i * 48 + 32 <= h; ++i) {
    dib.Fill(12, 16 + i * 48, 32, 32, GridColour(31 - 4 * i, 8 + 3 * i, 4 * i));
    DrawText(dib, 6, 50 + i * 48, 7, 1, 0xFFFFFF, GridColour(8, 14, 22), 100 + i);
  }
  DrawText(dib, w / 3, h / 8, std::max(1, w / 3 / 6), std::max(1, h / 3 / 10), 0x000000, 0xF8F8F8, 7);
  DrawPhoto(dib, w * 2 / 3, h / 2, w / 4, h / 3, 3);
  dib.Fill(0, h - 24 + 0, w, 24, GridColour(6, 6, 8));  // task bar
  DrawText(dib, 8, h - 17, std::max(1, w / 12), 1, 0xF8F8F8, GridColour(6, 6, 8), 11);
}

void DrawWindow(Dib& dib, int x, int y, int width, int height) {
  dib.Fill(x - 1, y - 1, width + 2, height + 2, GridColour(10, 10, 10));
  DrawGradient(dib, x, y, width, 20, 0x3070D0, 0x1040A0);
  DrawText(dib, x + 6, y + 5, std::max(1, width / 24), 1, 0xFFFFFF, 0x2058B8, 21);
  dib.Fill(x, y + 20, width, height - 20, 0xFFFFFF);
  DrawText(dib, x + 8, y + 28, std::max(1, (width - 16) / 6), std::max(1, (height - 40) / 10 - 1), 0x202020, 0xFFFFFF,
           22);
}

double Psnr(const Dib& source, const std::vector<std::uint16_t>& decoded) {
  double squares = 0;
  for (int y = 0; y < source.Height(); ++y) {
    const std::uint16_t* row = decoded.data() + static_cast<std::size_t>(source.Height() - 1 - y) * source.Width();
    for (int x = 0; x < source.Width(); ++x) {
      const std::uint32_t a = source.Get(x, y), b = Widen555(row[x]);
      for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 255) - static_cast<int>((b >> shift) & 255);
        squares += d * d;
      }
    }
  }
  if (squares == 0) return std::numeric_limits<double>::infinity();
  const double mse = squares / (3.0 * source.Width() * source.Height());
  return 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace msvc1test
