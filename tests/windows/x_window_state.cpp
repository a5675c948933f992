#include "tests/windows/x_window_state.h"

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <cstdlib>

#include "tests/support/process.h"

namespace windowstest {
namespace {

struct Connection {
  Connection() : c(xcb_connect(nullptr, nullptr)) {}
  ~Connection() { xcb_disconnect(c); }
  xcb_connection_t* c;
};

}  // namespace

QRegion BoundingShape(unsigned long window) {
  Connection x;
  QRegion shape;
  auto* reply = xcb_shape_get_rectangles_reply(
      x.c, xcb_shape_get_rectangles(x.c, static_cast<xcb_window_t>(window), XCB_SHAPE_SK_BOUNDING), nullptr);
  if (!reply) return shape;
  const xcb_rectangle_t* rects = xcb_shape_get_rectangles_rectangles(reply);
  for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(reply); ++i) {
    shape += QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
  }
  free(reply);
  return shape;
}

QRect ServerGeometry(unsigned long window) {
  Connection x;
  const auto id = static_cast<xcb_window_t>(window);
  auto* geometry = xcb_get_geometry_reply(x.c, xcb_get_geometry(x.c, id), nullptr);
  if (!geometry) return QRect();
  const xcb_window_t root = geometry->root;
  QRect rect(0, 0, geometry->width, geometry->height);
  free(geometry);
  auto* origin = xcb_translate_coordinates_reply(x.c, xcb_translate_coordinates(x.c, id, root, 0, 0), nullptr);
  if (origin) rect.moveTo(origin->dst_x, origin->dst_y);
  free(origin);
  return rect;
}

bool HasAboveState(unsigned long window) {
  const std::string out = testsupport::Run("xprop -id " + std::to_string(window) + " _NET_WM_STATE").output;
  return out.find("_NET_WM_STATE_ABOVE") != std::string::npos;
}

QRegion ExpectedFrameShape(int w, int h) { return QRegion(0, 0, w, h).subtracted(QRegion(3, 26, w - 7, h - 29)); }

}  // namespace windowstest
