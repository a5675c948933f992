#include "platform/owned_window.h"

#include <QGuiApplication>
#include <QWidget>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/xcb_reply.h"

namespace platform {
namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  const auto reply =
      Owned(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

xcb_connection_t* Connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

}  // namespace

void SetOwner(QWidget* window, QWidget* owner) {
  xcb_connection_t* c = Connection();
  if (!c || !window || !owner) return;
  const auto self = static_cast<xcb_window_t>(window->winId());
  const auto ownerId = static_cast<xcb_window_t>(owner->window()->winId());
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, self, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32, 1, &ownerId);
  xcb_flush(c);
}

void KeepOffTaskBar(QWidget* window) {
  xcb_connection_t* c = Connection();
  if (!c || !window) return;
  const auto self = static_cast<xcb_window_t>(window->winId());
  // Added to whatever state the window has already; the toolkit adds its own when it maps it.
  const xcb_atom_t netWmState = Atom(c, "_NET_WM_STATE");
  std::vector<xcb_atom_t> states;
  const auto current =
      Owned(xcb_get_property_reply(c, xcb_get_property(c, 0, self, netWmState, XCB_ATOM_ATOM, 0, 1024), nullptr));
  if (current && current->format == 32 && current->type == XCB_ATOM_ATOM) {
    const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(current.get()));
    states.assign(data, data + xcb_get_property_value_length(current.get()) / 4);
  }
  for (const char* name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
    const xcb_atom_t atom = Atom(c, name);
    if (std::find(states.begin(), states.end(), atom) == states.end()) states.push_back(atom);
  }
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, self, netWmState, XCB_ATOM_ATOM, 32,
                      static_cast<uint32_t>(states.size()), states.data());
}

}  // namespace platform
