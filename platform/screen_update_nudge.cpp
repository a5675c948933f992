#include "platform/screen_update_nudge.h"

namespace platform {
namespace {

// A true-colour visual with 32 bits, whose fourth byte the compositor takes as alpha.
xcb_visualid_t ArgbVisual(xcb_connection_t* connection) {
  for (xcb_screen_iterator_t s = xcb_setup_roots_iterator(xcb_get_setup(connection)); s.rem; xcb_screen_next(&s)) {
    for (xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(s.data); d.rem; xcb_depth_next(&d)) {
      if (d.data->depth != 32) continue;
      for (xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
        if (v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR) return v.data->visual_id;
      }
    }
  }
  return 0;
}

}  // namespace

ScreenUpdateNudge::ScreenUpdateNudge(xcb_connection_t* connection, xcb_window_t root) : connection_(connection) {
  const xcb_visualid_t visual = ArgbVisual(connection);
  if (!visual) return;
  colormap_ = xcb_generate_id(connection);
  xcb_create_colormap(connection, XCB_COLORMAP_ALLOC_NONE, colormap_, root, visual);
  window_ = xcb_generate_id(connection);
  // Transparent black inside and border; override-redirect, so no window manager frames or places it.
  const std::uint32_t values[] = {0, 0, 1, colormap_};
  xcb_create_window(connection, 32, window_, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, visual,
                    XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_COLORMAP, values);
  xcb_map_window(connection, window_);
  xcb_flush(connection);
}

ScreenUpdateNudge::~ScreenUpdateNudge() {
  if (window_) xcb_destroy_window(connection_, window_);
  if (colormap_) xcb_free_colormap(connection_, colormap_);
  xcb_flush(connection_);
}

}  // namespace platform
