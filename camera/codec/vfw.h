#pragma once
// The video codec services the camera calls: compressors and AVI files.
#include <cstdint>

// High 16 bits: the version, major in the high byte.
std::uint32_t VideoForWindowsVersion();
