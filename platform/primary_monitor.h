#pragma once
// What "the whole screen" is when several monitors share the X screen: the primary monitor, as
// RandR lists it. Asked afresh at each call, so a changed layout or a resized screen is followed.
#include <vector>

namespace platform {

// A rectangle in root-window pixels.
struct MonitorRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const MonitorRect&) const = default;
};

struct Monitor {
  MonitorRect rect;
  bool primary = false;
};

// The monitor that stands for the whole screen of `screenWidth` x `screenHeight`, cut to the
// screen: the primary one; without one, the first listed (as Qt takes it for its primary screen,
// so that stills and windows agree); without monitors, the whole screen. Monitors with no pixels on
// the screen don't count.
MonitorRect ChoosePrimaryMonitor(const std::vector<Monitor>& monitors, int screenWidth, int screenHeight);

// The primary monitor of $DISPLAY's screen, read over a connection of its own (any thread); the
// whole screen where RandR offers no monitors (before RandR 1.5), 0 x 0 without a display.
MonitorRect PrimaryMonitor();

}  // namespace platform
