#pragma once
// Crops a screen rectangle out of screen-cast pictures, one per monitor, into DIB rows: each
// picture covers its monitor's area of the desktop's logical coordinates, and may hold more
// pixels than that area has points (a scaled output).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/dib_pixels.h"

namespace platform {

struct PlacedPicture {
  const std::uint8_t* pixels = nullptr;  // top-left pixel
  std::size_t stride = 0;
  int width = 0, height = 0;  // in pixels
  ScreenPixelFormat format;
  int areaX = 0, areaY = 0, areaWidth = 0, areaHeight = 0;  // in logical coordinates
};

// Places the pictures on the X screen of `screenWidth` x `screenHeight`: a picture without an area
// covers the whole screen; areas are scaled so that together they span the screen. Portals give
// areas in the desktop's logical coordinates or in output pixels (at scale 2 the X root is half
// the output's size); the X screen is what the program's coordinates mean either way.
void FitAreasToScreen(std::vector<PlacedPicture>& pictures, int screenWidth, int screenHeight);

// Reads the rectangle (x, y, width, height) in logical coordinates into DIB rows at `dibBits`
// per pixel, laid out as ScreenReader::ReadDib lays them out. A point takes the pixel at its
// centre in a scaled picture. Points that no picture covers are left alone, or zeroed (row
// padding too) with `clearUncovered`.
void CropPictures(const std::vector<PlacedPicture>& pictures, int x, int y, int width, int height, int dibBits,
                  std::uint8_t* dstBottomRow, std::size_t dstStride, bool clearUncovered);

}  // namespace platform
