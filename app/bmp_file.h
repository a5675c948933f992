#pragma once
#include <cstdint>
#include <vector>

#include "app/still_image.h"

namespace app {

// An uncompressed Windows BMP of the still at its own bits per pixel; a colour table only at
// 8 bits per pixel or fewer.
std::vector<std::uint8_t> EncodeBmp(const StillImage& image);

}  // namespace app
