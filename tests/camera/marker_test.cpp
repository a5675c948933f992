// The region marker: bounds, bracket shape and colours as the X server holds them.
#include <gtest/gtest.h>

#include <QWindow>
#include <set>
#include <utility>

#include "camera/flashwnd.h"
#include "platform/x11_sync.h"
#include "tests/camera/camera_test_util.h"
#include "tests/camera/x_client.h"
#include "tests/support/x_session.h"

using cameratest::Rect;

namespace {

// The brackets around a W x H rectangle, pixel by pixel in window coordinates (inclusive ranges
// of the corner table), for W and H of at least 35.
bool InBrackets(int x, int y, int w, int h) {
  auto in = [&](int x0, int x1, int y0, int y1) { return x >= x0 && x <= x1 && y >= y0 && y <= y1; };
  return in(0, 23, 0, 7) || in(0, 7, 8, 23) ||                                   // top-left
         in(w - 11, w + 15, 0, 7) || in(w + 9, w + 15, 8, 23) ||                 // top-right
         in(0, 23, h + 9, h + 15) || in(0, 7, h - 11, h + 8) ||                  // bottom-left
         in(w - 11, w + 15, h + 9, h + 15) || in(w + 9, w + 15, h - 11, h + 8);  // bottom-right
}

bool InShape(const std::vector<Rect>& shape, int x, int y) {
  for (const Rect& r : shape)
    if (r.Contains(x, y)) return true;
  return false;
}

class Marker : public ::testing::Test {
 protected:
  TFlashingWnd marker_{nullptr};
  cameratest::XClient x_;
  std::uint32_t Window() { return static_cast<std::uint32_t>(marker_.winId()); }

  // The window manager applies a new placement when it gets to it.
  Rect SettledGeometry(int x, int y, int width, int height) {
    cameratest::ServeUntil(
        [&] {
          const Rect r = x_.Geometry(Window());
          return r.x == x && r.y == y && r.width == width && r.height == height;
        },
        std::chrono::seconds(3));
    return x_.Geometry(Window());
  }

  // Every pixel of the window's area: in the server's shape exactly where the brackets are.
  void ExpectBracketShape(int w, int h) {
    const std::vector<Rect> shape = x_.Shape(Window());
    ASSERT_FALSE(shape.empty());
    int wrong = 0;
    for (int y = -2; y < h + 18; ++y) {
      for (int x = -2; x < w + 18; ++x) {
        const bool expected = InBrackets(x, y, w, h);
        if (InShape(shape, x, y) != expected && ++wrong <= 5) {
          ADD_FAILURE() << "window pixel (" << x << ", " << y << ") " << (expected ? "missing" : "extra");
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
};

TEST(MarkerOnScreen, BracketsMeetTheScreenOnlyWhereAPixelOfThemLiesOnIt) {
  const QRect screen(0, 0, 1920, 1080);
  struct Case {
    std::int32_t left, top, width, height;
    bool meets;
  };
  const Case cases[] = {
      {0, 0, 1920, 1080, false},    // the whole screen: every bracket lies beyond its edges
      {-5, -5, 1930, 1090, false},  // larger than the screen
      {0, 0, 1919, 1080, false},    // the free column after the rectangle is the screen's last
      {0, 0, 1918, 1080, true},     // the right bars reach the last column
      {100, 100, 200, 150, true},
      {1920, 0, 10, 10, true},   // just beyond the right edge: its left bars are on the screen
      {-100, 0, 50, 50, false},  // wholly left of the screen
      {5000, 5000, 10, 10, false},
      {INT32_MIN, INT32_MIN, 20, 20, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TFlashingWnd::BracketsMeet(screen, c.left, c.top, c.width, c.height), c.meets)
        << c.left << "," << c.top << " " << c.width << "x" << c.height;
}

TEST_F(Marker, IsAFramelessTopMostWindowThatTakesNoInput) {
  EXPECT_TRUE(marker_.isHidden()) << "created hidden";
  EXPECT_TRUE(marker_.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(marker_.windowFlags() & Qt::WindowStaysOnTopHint);
  marker_.FitToRect(100, 100, 200, 150);
  marker_.show();
  ASSERT_TRUE(cameratest::ServeUntil([&] { return x_.StaysAbove(Window()); }));
  EXPECT_TRUE(x_.Shape(Window(), /*input=*/true).empty()) << "clicks pass through to what lies beneath";
}

TEST_F(Marker, FitToRectPlacesTheWindowAndCutsItToFourBrackets) {
  // As a recording does it: fitted, then shown.
  marker_.FitToRect(100, 100, 200, 150);
  marker_.show();
  const Rect bounds = SettledGeometry(92, 92, 216, 166);
  EXPECT_EQ(bounds.x, 92);
  EXPECT_EQ(bounds.y, 92);
  EXPECT_EQ(bounds.width, 216);
  EXPECT_EQ(bounds.height, 166);
  EXPECT_EQ(marker_.MarkedRect.Left, 100);
  EXPECT_EQ(marker_.MarkedRect.Top, 100);
  EXPECT_EQ(marker_.MarkedRect.Right, 299);
  EXPECT_EQ(marker_.MarkedRect.Bottom, 249);
  ExpectBracketShape(200, 150);

  // The edge cases in screen coordinates.
  const std::vector<Rect> shape = x_.Shape(Window());
  auto at = [&](int sx, int sy) { return InShape(shape, sx - 92, sy - 92); };
  EXPECT_TRUE(at(92, 150) == false && at(92, 100) && at(99, 100) && !at(100, 100)) << "left bar x 92..99";
  EXPECT_TRUE(at(301, 100) && at(307, 100) && !at(300, 100) && !at(308, 100)) << "right bar x 301..307, x 300 free";
  EXPECT_TRUE(at(100, 92) && at(100, 99) && !at(100, 100)) << "top bar y 92..99";
  EXPECT_TRUE(at(100, 251) && at(100, 257) && !at(100, 250) && !at(100, 258)) << "bottom bar y 251..257, y 250 free";
  EXPECT_TRUE(at(281, 92) && at(307, 99) && !at(280, 95)) << "top-right horizontal arm x 281..307, y 92..99";
  EXPECT_TRUE(at(301, 115) && !at(301, 116)) << "top-right vertical arm down to y 115";
  EXPECT_TRUE(at(92, 251) && at(115, 257) && !at(116, 254)) << "bottom-left horizontal arm x 92..115";
  EXPECT_TRUE(at(92, 231) && at(99, 250) && !at(95, 230)) << "bottom-left vertical arm y 231..250";
}

TEST_F(Marker, ASecondFitReplacesTheShape) {
  marker_.FitToRect(100, 100, 200, 150);
  marker_.show();
  SettledGeometry(92, 92, 216, 166);
  marker_.FitToRect(300, 200, 100, 80);
  const Rect bounds = SettledGeometry(292, 192, 116, 96);
  EXPECT_EQ((std::vector<int>{bounds.x, bounds.y, bounds.width, bounds.height}), (std::vector<int>{292, 192, 116, 96}));
  ExpectBracketShape(100, 80);
}

TEST_F(Marker, AroundSmallRectanglesTheBarsStayWhole) {
  marker_.FitToRect(50, 60, 20, 10);
  const std::vector<Rect> shape = x_.Shape(Window());
  int wrong = 0;
  for (int y = 0; y < 26; ++y) {
    for (int x = 0; x < 36; ++x) {
      const bool opening = x >= 8 && x < 29 && y >= 8 && y < 19;
      wrong += InShape(shape, x, y) == opening;
    }
  }
  EXPECT_EQ(wrong, 0) << "a whole frame around the opening";
}

TEST_F(Marker, PaintBracketsColoursOnlyTheBrackets) {
  const testsupport::WindowGeometry size = testsupport::ScreenSize();
  testsupport::PaintRoot(testsupport::MakePattern(size.width, size.height));
  const std::uint32_t rootAtCentre = x_.Pixel(200, 175);
  const std::uint32_t rootAtFreeColumn = x_.Pixel(300, 100);
  marker_.FitToRect(100, 100, 200, 150);
  marker_.show();
  ASSERT_TRUE(cameratest::ServeUntil([&] { return marker_.isVisible() && x_.Geometry(Window()).x == 92; }));
  // Painted only once the server shows it: before that, a paint goes nowhere.
  ASSERT_TRUE(cameratest::ServeUntil([&] { return marker_.windowHandle() && marker_.windowHandle()->isExposed(); }));

  marker_.PaintBrackets(IdleColor);
  EXPECT_EQ(x_.Pixel(95, 95), 0x00ff50u);
  EXPECT_EQ(x_.Pixel(305, 255), 0x00ff50u);
  EXPECT_EQ(x_.Pixel(200, 175), rootAtCentre) << "the inside stays visible";
  EXPECT_EQ(x_.Pixel(300, 100), rootAtFreeColumn);
  marker_.PaintBrackets(CaptureColor);
  EXPECT_EQ(x_.Pixel(95, 95), 0xffffb4u);
  EXPECT_EQ(x_.Pixel(290, 95), 0xffffb4u);

  // A repaint the system asks for keeps the colour.
  marker_.update();
  cameratest::ServeUntil([] { return false; }, std::chrono::milliseconds(100));
  EXPECT_EQ(x_.Pixel(95, 95), 0xffffb4u);

  // A rectangle one pixel wide gets no paint.
  marker_.FitToRect(100, 100, 1, 150);
  marker_.PaintBrackets(IdleColor);
  EXPECT_NE(x_.Pixel(95, 95), 0x00ff50u);
}

}  // namespace
