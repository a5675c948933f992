#include "cursor.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include "xcb_reply.h"

namespace platform {
namespace {

// One connection for the process, opened on first use; xcb connections may be shared by threads.
struct PointerConnection {
  xcb_connection_t* connection = nullptr;
  xcb_window_t root = 0;
  bool xfixes = false;

  PointerConnection() {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
      xcb_disconnect(c);
      return;
    }
    connection = c;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    root = it.data->root;
    // XFixes answers only to clients that announced their version first.
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (extension && extension->present) {
      const auto version = Owned(xcb_xfixes_query_version_reply(
          c, xcb_xfixes_query_version(c, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION), nullptr));
      xfixes = version != nullptr && version->major_version >= 1;
    }
  }
};

PointerConnection& Connection() {
  static PointerConnection* pointer = new PointerConnection();  // lives to the end of the process
  return *pointer;
}

}  // namespace

PointerQuery::PointerQuery(bool askHotSpot) {
  PointerConnection& p = Connection();
  if (!p.connection) return;
  positionRequest_ = xcb_query_pointer(p.connection, p.root).sequence;
  if (askHotSpot && p.xfixes) hotSpotRequest_ = xcb_xfixes_get_cursor_image(p.connection).sequence;
  xcb_flush(p.connection);
}

PointerQuery::~PointerQuery() {
  PointerConnection& p = Connection();
  if (positionRequest_) xcb_discard_reply(p.connection, positionRequest_);
  if (hotSpotRequest_) xcb_discard_reply(p.connection, hotSpotRequest_);
}

std::optional<CursorPoint> PointerQuery::Position() {
  if (positionRequest_) {
    PointerConnection& p = Connection();
    const auto reply = Owned(xcb_query_pointer_reply(p.connection, {positionRequest_}, nullptr));
    positionRequest_ = 0;
    if (reply) position_ = CursorPoint{reply->root_x, reply->root_y};
  }
  return position_;
}

std::optional<CursorPoint> PointerQuery::HotSpot() {
  if (hotSpotRequest_) {
    PointerConnection& p = Connection();
    const auto reply = Owned(xcb_xfixes_get_cursor_image_reply(p.connection, {hotSpotRequest_}, nullptr));
    hotSpotRequest_ = 0;
    if (reply) hotSpot_ = CursorPoint{reply->xhot, reply->yhot};
  }
  return hotSpot_;
}

}  // namespace platform
