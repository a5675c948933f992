#pragma once
// Small screen-like pictures as DIBs (bottom row first) at 32, 16 or 8 bits per pixel: flat areas,
// two-colour text, gradients, photo-like noise and a window that can be moved over them.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace msvc1test {

class Dib {
 public:
  Dib(int width, int height, int bitsPerPixel);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  std::size_t Stride() const { return stride_; }
  const std::uint8_t* Bits() const { return bits_.data(); }
  // 256 entries of 0x00RRGGBB at 8 bits per pixel, else empty.
  const std::uint32_t* Palette() const { return palette_.empty() ? nullptr : palette_.data(); }

  // Screen coordinates: y = 0 is the top row. Colours are 0x00RRGGBB; at 16 bits they keep the
  // top 5 bits of each channel, at 8 bits they go into the palette (at most 256 colours).
  void Set(int x, int y, std::uint32_t rgb);
  std::uint32_t Get(int x, int y) const;
  void Fill(int x, int y, int width, int height, std::uint32_t rgb);

 private:
  int width_, height_, bitsPerPixel_;
  std::size_t stride_;
  std::vector<std::uint8_t> bits_;
  std::vector<std::uint32_t> palette_;
  int paletteUsed_ = 0;
};

// An 8-bit channel value exactly on the 5-bit grid (level widened by bit replication).
std::uint32_t GridColour(int r5, int g5, int b5);

// Text of `rows` lines of `columns` glyph cells (6 x 10 pixels each): random strokes in `ink` on `paper`.
void DrawText(Dib& dib, int x, int y, int columns, int rows, std::uint32_t ink, std::uint32_t paper, unsigned seed);
// Vertical gradient between two colours, every row a different shade.
void DrawGradient(Dib& dib, int x, int y, int width, int height, std::uint32_t top, std::uint32_t bottom);
// Smooth random texture, as a photograph in a window would be.
void DrawPhoto(Dib& dib, int x, int y, int width, int height, unsigned seed);
// A desktop: gradient background, icons, a text panel and a photo.
void DrawDesktop(Dib& dib);
// An application window with a title bar and text, its top-left corner at (x, y).
void DrawWindow(Dib& dib, int x, int y, int width, int height);

// The picture widened to 8 bits per channel from 5-5-5 decoder output, as 0x00RRGGBB.
std::uint32_t Widen555(std::uint16_t c);
// PSNR of decoder output (5-5-5, DIB row order) against the DIB's own 8-bit colours.
double Psnr(const Dib& source, const std::vector<std::uint16_t>& decoded);

}  // namespace msvc1test
