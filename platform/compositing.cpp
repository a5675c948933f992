#include "platform/compositing.h"

#include <QGuiApplication>
#include <string>
#include <xcb/xcb.h>

#include "platform/screen_source.h"
#include "platform/xcb_reply.h"

namespace platform {
namespace {

// A compositing manager owns the selection _NET_WM_CM_S<screen>.
bool CompositingManagerRuns() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->connection()) return false;
  xcb_connection_t* c = x11->connection();
  // The program uses the default screen, 0.
  const std::string name = "_NET_WM_CM_S0";
  const auto atom = Owned(
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr));
  if (!atom || atom->atom == XCB_ATOM_NONE) return false;
  const auto owner = Owned(xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr));
  return owner && owner->owner != XCB_WINDOW_NONE;
}

}  // namespace

bool DesktopIsComposited() {
  static const bool composited = IsWaylandSession() || CompositingManagerRuns();
  return composited;
}

}  // namespace platform
