#include "primary_monitor.h"

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "xcb_reply.h"

namespace platform {
namespace {

// RandR 1.5 is the first to list monitors (user-defined ones and one per active output).
constexpr std::uint32_t kMonitorsMajor = 1, kMonitorsMinor = 5;

MonitorRect CutToScreen(const MonitorRect& rect, int screenWidth, int screenHeight) {
  const int left = std::max(rect.left, 0), top = std::max(rect.top, 0);
  const int right = std::min(rect.left + rect.width, screenWidth);
  const int bottom = std::min(rect.top + rect.height, screenHeight);
  if (right <= left || bottom <= top) return {};
  return {left, top, right - left, bottom - top};
}

std::vector<Monitor> ReadMonitors(xcb_connection_t* connection, xcb_window_t root) {
  const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_randr_id);
  if (!extension || !extension->present) return {};
  const auto version = Owned(
      xcb_randr_query_version_reply(connection, xcb_randr_query_version(connection, kMonitorsMajor, kMonitorsMinor),
                                    nullptr));
  if (!version || version->major_version < kMonitorsMajor ||
      (version->major_version == kMonitorsMajor && version->minor_version < kMonitorsMinor)) {
    return {};
  }
  // Active monitors only: a switched-off output shows nothing to capture.
  const auto reply =
      Owned(xcb_randr_get_monitors_reply(connection, xcb_randr_get_monitors(connection, root, 1), nullptr));
  if (!reply) return {};
  std::vector<Monitor> monitors;
  for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem; xcb_randr_monitor_info_next(&it)) {
    const xcb_randr_monitor_info_t& info = *it.data;
    monitors.push_back({{info.x, info.y, info.width, info.height}, info.primary != 0});
  }
  return monitors;
}

}  // namespace

MonitorRect ChoosePrimaryMonitor(const std::vector<Monitor>& monitors, int screenWidth, int screenHeight) {
  std::vector<Monitor> onScreen;
  for (const Monitor& monitor : monitors) {
    const MonitorRect cut = CutToScreen(monitor.rect, screenWidth, screenHeight);
    if (cut.width > 0) onScreen.push_back({cut, monitor.primary});
  }
  if (onScreen.empty()) return {0, 0, std::max(screenWidth, 0), std::max(screenHeight, 0)};
  const auto primary = std::find_if(onScreen.begin(), onScreen.end(), [](const Monitor& m) { return m.primary; });
  // Without a primary one, the first listed: Qt's primary screen then, where the windows centre.
  return primary != onScreen.end() ? primary->rect : onScreen.front().rect;
}

MonitorRect PrimaryMonitor() {
  int screenNumber = 0;
  xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
  const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> owner(connection, &xcb_disconnect);
  if (xcb_connection_has_error(connection)) return {};
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
  if (!screens.rem) return {};
  const xcb_window_t root = screens.data->root;
  // The size now, not at the connection's start: the screen may be resized at any moment.
  const auto geometry = Owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, root), nullptr));
  if (!geometry) return {};
  return ChoosePrimaryMonitor(ReadMonitors(connection, root), geometry->width, geometry->height);
}

}  // namespace platform
