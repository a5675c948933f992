#pragma once
// Reads image files and the screen through ImageMagick, an independent reader.
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct RgbImage {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;  // 3 bytes a pixel, top row first
  std::uint32_t At(int x, int y) const {
    const std::uint8_t* p = rgb.data() + 3 * (static_cast<std::size_t>(y) * width + x);
    return (p[0] << 16) | (p[1] << 8) | p[2];
  }
};

// `identify -format FORMAT file`, e.g. "%w %h %z".
std::string Identify(const std::string& path, const std::string& format);
// The file's pixels as 8-bit RGB, or an empty image when ImageMagick cannot read it.
RgbImage ReadImage(const std::string& path);
// The screen's pixels now (`import -window root`).
RgbImage ReadScreen();
// Writes a PPM file.
void WritePpm(const std::string& path, const RgbImage& image);

}  // namespace testsupport
