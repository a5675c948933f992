// Stills of a palette display take the colours the display shows at the moment of the still, not
// those it showed when the program started.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QImage>
#include <array>
#include <cstdlib>
#include <memory>

#include "app/still_image.h"
#include "platform/screen_reader.h"

namespace {

TEST(PaletteStill, AColourAllocatedSinceTheStartIsTheStillsColour) {
  platform::ScreenReader& reader = platform::ScreenReader::Instance();
  ASSERT_TRUE(reader.Connected());
  ASSERT_EQ(reader.BitsPerPixel(), 8) << "needs a palette display";

  // Another program takes a colour the colormap did not hold at the start, and paints with it.
  int screenNumber = 0;
  const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> painter(xcb_connect(nullptr, &screenNumber),
                                                                             &xcb_disconnect);
  ASSERT_EQ(xcb_connection_has_error(painter.get()), 0);
  xcb_connection_t* c = painter.get();
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  xcb_alloc_color_reply_t* colour =
      xcb_alloc_color_reply(c, xcb_alloc_color(c, screen->default_colormap, 0x1200, 0x9a00, 0x5600), nullptr);
  ASSERT_NE(colour, nullptr);
  const std::uint32_t pixel = colour->pixel;
  const std::uint32_t rgb = ((colour->red >> 8) << 16) | ((colour->green >> 8) << 8) | (colour->blue >> 8);
  free(colour);
  ASSERT_NE(reader.Info().palette.at(pixel), rgb) << "the colour is new since the reader started";
  const xcb_gcontext_t gc = xcb_generate_id(c);
  xcb_create_gc(c, gc, screen->root, XCB_GC_FOREGROUND | XCB_GC_SUBWINDOW_MODE,
                std::array<std::uint32_t, 2>{pixel, XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS}.data());
  const xcb_rectangle_t area{0, 0, 8, 8};
  xcb_poly_fill_rectangle(c, screen->root, gc, 1, &area);
  free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));  // painted before the still

  const app::StillImage still = app::CaptureRect({2, 2, 6, 6});
  ASSERT_EQ(still.bitsPerPixel, 8);
  const std::uint8_t index = still.Row(0)[0];
  ASSERT_LT(index, still.palette.size());
  EXPECT_EQ(still.palette[index], rgb);
  EXPECT_EQ(app::ToQImage(still).pixel(0, 0), 0xff000000u | rgb);
}

}  // namespace
