#pragma once
// Makes the compositor send the screen cast a new picture without changing what it shows: a
// desktop that casts only what changes (wlroots' screencopy with damage) sends nothing for an
// unchanged screen, not even to a newly opened cast. A fully transparent one-pixel window of ours,
// shown for a moment, is a change that nobody sees.
#include <xcb/xcb.h>

#include <cstdint>

namespace platform {

class ScreenUpdateNudge {
 public:
  // Shows the window at once; without a 32-bit visual (no compositing) nothing happens.
  ScreenUpdateNudge(xcb_connection_t* connection, xcb_window_t root);
  // Takes it away.
  ~ScreenUpdateNudge();
  ScreenUpdateNudge(const ScreenUpdateNudge&) = delete;
  ScreenUpdateNudge& operator=(const ScreenUpdateNudge&) = delete;

 private:
  xcb_connection_t* connection_;
  xcb_window_t window_ = 0;
  xcb_colormap_t colormap_ = 0;
};

}  // namespace platform
