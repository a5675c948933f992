#pragma once
#include <cmath>

namespace platform {

// Rounds to the nearest integer, an exact half going to the even neighbour (65.5 -> 66, 62.5 -> 62).
inline int RoundHalfEven(double value) {
  const double down = std::floor(value);
  const double fraction = value - down;
  if (fraction > 0.5) return static_cast<int>(down) + 1;
  if (fraction < 0.5) return static_cast<int>(down);
  const int d = static_cast<int>(down);
  return (d % 2 == 0) ? d : d + 1;
}

}  // namespace platform
