#pragma once
// The desktop's screen-cast portal (org.freedesktop.portal.ScreenCast) over the session bus: a
// session that casts every monitor, and the PipeWire connection that carries the pictures.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct ScreenCastStream {
  std::uint32_t nodeId = 0;
  // The monitor's place and size in the desktop's logical coordinates, where the portal tells
  // them (the X root's coordinates under Xwayland).
  bool hasArea = false;
  int x = 0, y = 0, width = 0, height = 0;
};

struct ScreenCastSession {
  int pipeWireFd = -1;  // the caller's to close
  std::vector<ScreenCastStream> streams;
};

struct ScreenCastOpening {
  std::optional<ScreenCastSession> session;
  std::string error;  // why there is none, in a line for the user
};

// Asks the portal for a cast of all monitors, the pointer left out where the portal offers that
// (the program draws its own arrow). The desktop may ask the user first; this waits for the
// answer, up to `patience`. `onClosed` is called, on a thread of the portal's, if the desktop
// ends the session later. Any thread may call this; one session at a time.
ScreenCastOpening OpenScreenCast(std::chrono::milliseconds patience, std::function<void()> onClosed);

}  // namespace platform
