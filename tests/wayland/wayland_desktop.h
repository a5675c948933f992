#pragma once
// What a test on the Wayland desktop of scripts/with-wayland.sh asks of it: screenshots of the output
// and where sway put a window.
#include <optional>
#include <string>

#include "tests/support/image_probe.h"

namespace waylandtest {

// A rectangle in the layout's logical coordinates (output pixels at scale 1).
struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool Contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

// The output HEADLESS-1 now, in its own pixels, taken with grim into `pngPath`; empty when that failed.
testsupport::RgbImage Screenshot(const std::string& pngPath);
// The contents of the window titled `title` (without sway's frame), as sway's tree tells them; none
// while sway knows no such window.
std::optional<Rect> WindowContent(const std::string& title);
// The same window with its frame: border and title bar.
std::optional<Rect> WindowFrame(const std::string& title);

}  // namespace waylandtest
