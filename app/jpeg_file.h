#pragma once
#include <cstdint>
#include <vector>

#include "app/still_image.h"

namespace app {

// A baseline JFIF file of quality 90, encoded with libjpeg from the still converted to 24-bit RGB.
// Throws std::runtime_error with libjpeg's message when encoding fails.
std::vector<std::uint8_t> EncodeJpeg(const StillImage& image);

}  // namespace app
