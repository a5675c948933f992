#pragma once
// Whether a compositor draws the desktop: then a window's fully transparent pixels show what lies
// behind it, and a window's X shape may be ignored (a compositor that does shows a black box
// where the shape cuts out). A Wayland session always is composited.
namespace platform {

// Asked once the application exists; the answer is kept, as the program's windows are made with it.
bool DesktopIsComposited();

}  // namespace platform
