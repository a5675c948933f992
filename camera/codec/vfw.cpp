#include "camera/codec/vfw.h"

// Version 1.10: what the camera requires of the codec services.
std::uint32_t VideoForWindowsVersion() { return 0x010A0000u; }
