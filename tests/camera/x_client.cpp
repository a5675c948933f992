#include "tests/camera/x_client.h"

#include <xcb/shape.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace cameratest {
namespace {

std::uint32_t Scale8(std::uint32_t pixel, std::uint32_t mask) {
  if (!mask) return 0;
  const std::uint32_t value = (pixel & mask) >> std::countr_zero(mask);
  const int bits = std::popcount(mask);
  if (bits >= 8) return value >> (bits - 8);
  const std::uint32_t wide = value << (8 - bits);
  return wide | (wide >> bits);
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  free(reply);
  return atom;
}

}  // namespace

XClient::XClient() {
  int number = 0;
  c_ = xcb_connect(nullptr, &number);
  if (xcb_connection_has_error(c_)) throw std::runtime_error("no X display");
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c_));
  for (int i = 0; i < number; ++i) xcb_screen_next(&it);
  screen_ = it.data;
  for (xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(screen_); d.rem; xcb_depth_next(&d)) {
    for (xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
      if (v.data->visual_id == screen_->root_visual) {
        red_ = v.data->red_mask;
        green_ = v.data->green_mask;
        blue_ = v.data->blue_mask;
      }
    }
  }
}

XClient::~XClient() { xcb_disconnect(c_); }

std::uint32_t XClient::Pixel(int x, int y) {
  xcb_get_image_reply_t* reply =
      xcb_get_image_reply(c_,
                          xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, screen_->root, static_cast<std::int16_t>(x),
                                        static_cast<std::int16_t>(y), 1, 1, ~0u),
                          nullptr);
  if (!reply) return 0xdeadbeef;
  std::uint32_t pixel = 0;
  const int length = xcb_get_image_data_length(reply);
  std::memcpy(&pixel, xcb_get_image_data(reply), std::min(length, 4));
  free(reply);
  return (Scale8(pixel, red_) << 16) | (Scale8(pixel, green_) << 8) | Scale8(pixel, blue_);
}

Rect XClient::Geometry(std::uint32_t window) {
  Rect r;
  xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window), nullptr);
  xcb_translate_coordinates_reply_t* t =
      xcb_translate_coordinates_reply(c_, xcb_translate_coordinates(c_, window, screen_->root, 0, 0), nullptr);
  if (g && t) r = Rect{t->dst_x, t->dst_y, g->width, g->height};
  free(g);
  free(t);
  return r;
}

std::vector<Rect> XClient::Shape(std::uint32_t window, bool input) {
  std::vector<Rect> rects;
  xcb_shape_get_rectangles_reply_t* reply = xcb_shape_get_rectangles_reply(
      c_, xcb_shape_get_rectangles(c_, window, input ? XCB_SHAPE_SK_INPUT : XCB_SHAPE_SK_BOUNDING), nullptr);
  if (!reply) return rects;
  const xcb_rectangle_t* r = xcb_shape_get_rectangles_rectangles(reply);
  for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(reply); ++i) {
    rects.push_back(Rect{r[i].x, r[i].y, r[i].width, r[i].height});
  }
  free(reply);
  return rects;
}

void XClient::SetPointerCursor(int hotX, int hotY) {
  // A 16 x 16 cursor: its shape does not matter, only its hot spot.
  const xcb_pixmap_t bits = xcb_generate_id(c_);
  xcb_create_pixmap(c_, 1, bits, screen_->root, 16, 16);
  const xcb_cursor_t cursor = xcb_generate_id(c_);
  xcb_create_cursor(c_, cursor, bits, bits, 0, 0, 0, 0xffff, 0xffff, 0xffff, static_cast<std::uint16_t>(hotX),
                    static_cast<std::uint16_t>(hotY));
  xcb_free_pixmap(c_, bits);
  // The window manager keeps the root window's cursor to itself; an input-only window over the
  // whole screen shows ours without changing a pixel.
  if (!cursorWindow_) {
    cursorWindow_ = xcb_generate_id(c_);
    const std::uint32_t values[] = {1, cursor};
    xcb_create_window(c_, 0, cursorWindow_, screen_->root, 0, 0, screen_->width_in_pixels, screen_->height_in_pixels, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT | XCB_CW_CURSOR,
                      values);
    xcb_map_window(c_, cursorWindow_);
  } else {
    xcb_change_window_attributes(c_, cursorWindow_, XCB_CW_CURSOR, &cursor);
  }
  xcb_free_cursor(c_, cursor);
  free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
}

bool XClient::StaysAbove(std::uint32_t window) {
  const xcb_atom_t state = Atom(c_, "_NET_WM_STATE");
  const xcb_atom_t above = Atom(c_, "_NET_WM_STATE_ABOVE");
  xcb_get_property_reply_t* reply =
      xcb_get_property_reply(c_, xcb_get_property(c_, 0, window, state, XCB_ATOM_ATOM, 0, 64), nullptr);
  bool found = false;
  if (reply) {
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
    const int count = xcb_get_property_value_length(reply) / 4;
    for (int i = 0; i < count; ++i) found = found || atoms[i] == above;
    free(reply);
  }
  return found;
}

}  // namespace cameratest
