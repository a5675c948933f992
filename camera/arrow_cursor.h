#pragma once
// The arrow that frames show for the pointer, whatever shape the pointer has on screen. Held as an
// icon holds it: an AND mask and a colour image, drawn by masking the background and then
// XOR-ing the colour on top.
#include <cstddef>
#include <cstdint>

class TArrowCursor {
 public:
  static constexpr int Width = 12;
  static constexpr int Height = 21;

  // True where the background shows through (the AND mask's bit).
  static bool MaskAt(int x, int y);
  // The colour image, 0x00RRGGBB: black outline, white body, black elsewhere.
  static std::uint32_t ColorAt(int x, int y);

  // Draws the arrow with its top-left corner at (x, y) into DIB rows (bottom row first) of a
  // `width` x `height` image at `bits` per pixel (32, 24, 16 as 5-5-5, or 8 with `colorTable`
  // of 4-byte blue-green-red-zero entries). Parts off the image are clipped.
  static void Draw(std::uint8_t* bottomRow, std::size_t stride, int width, int height, int bits,
                   const std::uint8_t* colorTable, std::size_t colorCount, int x, int y);
};
