#pragma once
// Where the screen's pixels come from: the X server's own (xcb shared-memory reads of the root
// window), or the desktop's screen-cast portal. Under a Wayland session the program's windows
// still live on Xwayland, whose root window reads black; there only the portal shows the screen.
// Chosen once, before the first capture.
#include <optional>
#include <string>

namespace platform {

enum class ScreenSource { X11, Portal };

// "x11" or "portal"; nothing for anything else.
std::optional<ScreenSource> ParseScreenSource(const std::string& name);

// What a session of this kind reads from: forced by `forced` (the command line), else by
// $VORLIX_SCREEN_SOURCE, else the portal on a Wayland session ($WAYLAND_DISPLAY set, or
// $XDG_SESSION_TYPE=wayland) and the X server elsewhere. An unknown name in the environment is
// ignored.
ScreenSource ChooseScreenSource(std::optional<ScreenSource> forced);
// True on a Wayland session, as ChooseScreenSource tells one.
bool IsWaylandSession();

// The process-wide choice, read by the screen reader when it is first used. X11 until set.
void UseScreenSource(ScreenSource source);
ScreenSource ScreenSourceInUse();

}  // namespace platform
