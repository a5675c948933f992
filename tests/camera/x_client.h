#pragma once
// A second X client for the camera tests: reads pixels, window shapes and geometry through a
// connection of its own, and shows a cursor of its own.
#include <xcb/xcb.h>

#include <cstdint>
#include <vector>

namespace cameratest {

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool Contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
};

class XClient {
 public:
  XClient();
  ~XClient();
  XClient(const XClient&) = delete;
  XClient& operator=(const XClient&) = delete;

  // The screen pixel as 0xRRGGBB, each channel scaled to 8 bits.
  std::uint32_t Pixel(int x, int y);
  // The window's position on the root window and its size.
  Rect Geometry(std::uint32_t window);
  // The window's bounding (or input) shape as the server holds it, in window coordinates.
  std::vector<Rect> Shape(std::uint32_t window, bool input = false);
  // Makes the pointer show a 16 x 16 cursor with the given hot spot anywhere on the screen (while
  // this client lives).
  void SetPointerCursor(int hotX, int hotY);
  // True when the window's _NET_WM_STATE lists _NET_WM_STATE_ABOVE.
  bool StaysAbove(std::uint32_t window);

 private:
  xcb_connection_t* c_ = nullptr;
  xcb_screen_t* screen_ = nullptr;
  xcb_window_t cursorWindow_ = 0;
  std::uint32_t red_ = 0, green_ = 0, blue_ = 0;
};

}  // namespace cameratest
