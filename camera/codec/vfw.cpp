#include "vfw.h"

std::uint32_t VideoForWindowsVersion() { return 0x010A0000u; }
