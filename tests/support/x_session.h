#pragma once
// The X display of a test: its size, a pattern on the root window, windows found by name, keys.
#include <chrono>
#include <string>
#include <vector>

#include "tests/support/image_probe.h"

namespace testsupport {

struct WindowGeometry {
  int x = 0, y = 0, width = 0, height = 0;
};

// The root window's size.
WindowGeometry ScreenSize();
// The primary RandR monitor as xrandr lists it; the whole screen when none is marked primary.
WindowGeometry PrimaryMonitor();
// A screen-sized pattern in which nearly every pixel differs from its neighbours.
RgbImage MakePattern(int width, int height);
// Shows `image` as the root window's background (what every uncovered pixel then shows).
void PaintRoot(const RgbImage& image);
// Ids of the mapped windows whose name matches the regular expression.
std::vector<std::string> FindWindows(const std::string& nameRegex);
// Waits for a mapped window whose name matches; returns its id or "".
std::string WaitForWindow(const std::string& nameRegex, std::chrono::milliseconds timeout);
WindowGeometry GetGeometry(const std::string& windowId);
// Waits until the window stands still: the window manager places and moves windows on its own
// time. True when two looks a quarter of a second apart found it at the same place and size.
bool WaitUntilSettled(const std::string& windowId, std::chrono::milliseconds timeout);
// The screen position of the window's own (client) area, and its size, as xwininfo reports them.
WindowGeometry ClientOrigin(const std::string& windowId);
// The window with its window manager's decoration (_NET_FRAME_EXTENTS), on the screen.
WindowGeometry FrameGeometry(const std::string& windowId);
// xdotool with the given arguments, e.g. Xdotool("key ctrl+shift+F2").
int Xdotool(const std::string& arguments);

}  // namespace testsupport
