#pragma once
#include <cstdint>

namespace platform {

// Milliseconds of a monotonic clock, as unsigned 32 bits: differences stay right across wrap-around.
std::uint32_t TimeGetTime();
void SleepMs(std::uint32_t milliseconds);

}  // namespace platform
