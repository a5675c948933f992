#pragma once
// The mouse pointer: where it is and the hot spot of the cursor it shows. Own X connection,
// callable from any thread.
#include <optional>

namespace platform {

struct CursorPoint {
  int x = 0, y = 0;
};

// The pointer's position in screen coordinates, or none without a display.
std::optional<CursorPoint> GetCursorPos();
// The hot spot of the cursor shown now, relative to the cursor image's top-left corner; none when
// the display cannot tell (no XFixes).
std::optional<CursorPoint> GetCursorHotSpot();

}  // namespace platform
