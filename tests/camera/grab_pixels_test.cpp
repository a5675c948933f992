// Grabs of a pattern on the screen, compared with the screen as ImageMagick reads it. Built for a
// depth-24 and a depth-16 display (VORLIX_EXPECTED_BPP says which).
#include <gtest/gtest.h>

#include <string>

#include "camera/arrow_cursor.h"
#include "camera/scrcam.h"
#include "camera/scrcam_bitmap.h"
#include "tests/camera/camera_test_util.h"
#include "tests/camera/x_client.h"
#include "tests/support/x_session.h"

using cameratest::DibValue;
using cameratest::DibView;

namespace {

// What the grab should hold at a screen pixel: its value at the frame's depth.
std::uint32_t Expected(const testsupport::RgbImage& screen, int x, int y, int bits) {
  if (x < 0 || y < 0 || x >= screen.width || y >= screen.height) return 0;  // off the screen: black
  return DibValue(screen.At(x, y), bits);
}

// Counts the frame's pixels that differ from `expected(x, y)`, reporting the first few.
template <typename ExpectedAt>
int Mismatches(const DibView& dib, ExpectedAt expected) {
  int wrong = 0;
  for (int y = 0; y < dib.Height(); ++y) {
    for (int x = 0; x < dib.Width(); ++x) {
      if (dib.Raw(x, y) == expected(x, y)) continue;
      if (++wrong <= 5) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex << dib.Raw(x, y) << " expected "
                      << expected(x, y);
      }
    }
  }
  return wrong;
}

class GrabPixels : public ::testing::Test {
 protected:
  void SetUp() override {
    const testsupport::WindowGeometry size = testsupport::ScreenSize();
    testsupport::PaintRoot(testsupport::MakePattern(size.width, size.height));
    testsupport::Xdotool("mousemove 5 5");
    screen_ = testsupport::ReadScreen();
    ASSERT_EQ(screen_.width, size.width);
    camera_ = std::make_unique<TScreenCam>(nullptr);
    ASSERT_EQ(camera_->ScreenBitsPerPixel, VORLIX_EXPECTED_BPP);
  }

  testsupport::RgbImage screen_;
  std::unique_ptr<TScreenCam> camera_;
};

TEST_F(GrabPixels, EqualsTheScreenBottomRowFirst) {
  camera_->WithCursor = false;
  PackedDib frame = camera_->CaptureFrame(37, 21, 203, 117);
  ASSERT_NE(frame, nullptr);
  const DibView dib(frame);
  EXPECT_EQ(dib.Width(), 203);
  EXPECT_EQ(dib.Height(), 117);
  EXPECT_EQ(dib.Bits(), VORLIX_EXPECTED_BPP);
  EXPECT_EQ(dib.SizeImage(), dib.Stride() * 117);
  // The stored first row is the rectangle's bottom line.
  std::uint32_t firstStored = 0;
  std::memcpy(&firstStored, dib.Pixels(), dib.Bits() / 8);
  EXPECT_EQ(firstStored, Expected(screen_, 37, 21 + 116, dib.Bits()));
  EXPECT_EQ(Mismatches(dib, [&](int x, int y) { return Expected(screen_, 37 + x, 21 + y, dib.Bits()); }), 0);
  FreeFrame(frame);

  // The whole screen is read in several bands: each lands in its own rows.
  frame = camera_->CaptureFrame(0, 0, screen_.width, screen_.height);
  ASSERT_NE(frame, nullptr);
  const DibView whole(frame);
  EXPECT_EQ(Mismatches(whole, [&](int x, int y) { return Expected(screen_, x, y, whole.Bits()); }), 0);
  FreeFrame(frame);
}

struct OffScreenCase {
  const char* name;
  int left, top, width, height;
};

TEST_F(GrabPixels, RectanglesBeyondTheScreenAreBlackWhereTheyAreOff) {
  camera_->WithCursor = false;
  const int w = screen_.width, h = screen_.height;
  const OffScreenCase cases[] = {
      {"half off the right", w - 50, 100, 100, 40},
      {"over the top-left corner", -30, -20, 80, 60},
      {"half off the bottom", 200, h - 10, 30, 20},
      {"wholly off", w + 10, 0, 16, 16},
      {"taller than a band, over the bottom", 10, 100, w - 20, h},
  };
  for (const OffScreenCase& c : cases) {
    SCOPED_TRACE(c.name);
    PackedDib frame = camera_->CaptureFrame(c.left, c.top, c.width, c.height);
    ASSERT_NE(frame, nullptr);
    const DibView dib(frame);
    int black = 0;
    EXPECT_EQ(Mismatches(dib, [&](int x, int y) { return Expected(screen_, c.left + x, c.top + y, dib.Bits()); }), 0);
    for (int y = 0; y < dib.Height(); ++y)
      for (int x = 0; x < dib.Width(); ++x) black += dib.Raw(x, y) == 0;
    EXPECT_GT(black, 0);
    FreeFrame(frame);
  }
}

TEST_F(GrabPixels, TheArrowIsDrawnAtPointerLessOriginLessHotSpotOnlyWithCursor) {
  cameratest::XClient x;
  x.SetPointerCursor(5, 9);
  ASSERT_EQ(testsupport::Xdotool("mousemove 150 120"), 0);
  const int left = 100, top = 100;
  const int arrowX = 150 - left - 5, arrowY = 120 - top - 9;

  camera_->WithCursor = true;
  PackedDib frame = camera_->CaptureFrame(left, top, 200, 100);
  ASSERT_NE(frame, nullptr);
  const DibView dib(frame);
  const int bits = dib.Bits();
  int arrowPixels = 0;
  EXPECT_EQ(Mismatches(dib,
                       [&](int px, int py) {
                         const int cx = px - arrowX, cy = py - arrowY;
                         if (TArrowCursor::MaskAt(cx, cy)) return Expected(screen_, left + px, top + py, bits);
                         ++arrowPixels;
                         return DibValue(TArrowCursor::ColorAt(cx, cy), bits);
                       }),
            0);
  EXPECT_GT(arrowPixels, 100);
  EXPECT_EQ(dib.Raw(arrowX, arrowY), 0u) << "the tip is black";
  EXPECT_EQ(dib.Raw(arrowX + 1, arrowY + 3), DibValue(0xffffff, bits)) << "the body is white";
  FreeFrame(frame);

  camera_->WithCursor = false;
  frame = camera_->CaptureFrame(left, top, 200, 100);
  EXPECT_EQ(Mismatches(DibView(frame), [&](int px, int py) { return Expected(screen_, left + px, top + py, bits); }),
            0);
  FreeFrame(frame);

  camera_->WithCursor = true;
  ASSERT_EQ(testsupport::Xdotool("mousemove 900 900"), 0);
  frame = camera_->CaptureFrame(left, top, 200, 100);
  EXPECT_EQ(Mismatches(DibView(frame), [&](int px, int py) { return Expected(screen_, left + px, top + py, bits); }), 0)
      << "a pointer far outside leaves no cursor pixels";
  FreeFrame(frame);
}

TEST_F(GrabPixels, TheArrowIsClippedAtTheFrameEdge) {
  cameratest::XClient x;
  x.SetPointerCursor(0, 0);
  ASSERT_EQ(testsupport::Xdotool("mousemove 295 195"), 0);
  camera_->WithCursor = true;
  PackedDib frame = camera_->CaptureFrame(100, 100, 200, 100);
  ASSERT_NE(frame, nullptr);
  const DibView dib(frame);
  const int bits = dib.Bits();
  EXPECT_EQ(Mismatches(dib,
                       [&](int px, int py) {
                         const int cx = px - 195, cy = py - 95;
                         if (TArrowCursor::MaskAt(cx, cy)) return Expected(screen_, 100 + px, 100 + py, bits);
                         return DibValue(TArrowCursor::ColorAt(cx, cy), bits);
                       }),
            0);
  FreeFrame(frame);
}

}  // namespace
