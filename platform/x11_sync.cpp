#include "x11_sync.h"

#include <QGuiApplication>
#include <xcb/xcb.h>

#include "xcb_reply.h"

namespace platform {

void SyncWithServer() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->connection()) return;
  xcb_connection_t* c = x11->connection();
  // A round trip: its reply comes only after every earlier request has been processed.
  Owned(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // freed at once
}

}  // namespace platform
