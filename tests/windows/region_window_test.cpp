// The region window on a real X server with openbox: showing, shape, click-through, dragging,
// resizing and the border style.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>
#include <vector>

#include "app/ScreenUnit.h"
#include "tests/support/x_session.h"
#include "tests/windows/region_fixture.h"
#include "tests/windows/ui_wait.h"
#include "tests/windows/x_window_state.h"
#include "widgets/image_button.h"
#include "windows/ScrUnit.h"

using windowstest::BoundingShape;
using windowstest::ExpectedFrameShape;
using windowstest::HasAboveState;
using windowstest::Pump;
using windowstest::PumpUntil;
using windowstest::ServerGeometry;

namespace {

std::string At(const QPoint& p) { return std::to_string(p.x()) + " " + std::to_string(p.y()); }

// A plain window that notes where it was clicked.
class ClickRecorder : public QWidget {
 public:
  std::vector<QPoint> presses;

 protected:
  void mousePressEvent(QMouseEvent* event) override { presses.push_back(event->globalPosition().toPoint()); }
};

bool ShapeIsFrameOf(QWidget* window, const QSize& size) {
  return BoundingShape(window->winId()) == ExpectedFrameShape(size.width(), size.height());
}

}  // namespace

TEST_F(RegionWindowTest, PressingRegionShowsItCentredAndOnTopAndReleasingClosesIt) {
  ASSERT_FALSE(ScrForm->isVisible());
  ASSERT_FALSE(ScreenForm->bt_Record->isEnabled());
  ASSERT_NO_FATAL_FAILURE(ShowRegion());
  const testsupport::WindowGeometry screen = testsupport::ScreenSize();
  // Client area 478 x 344 inside a frame of 3 + 4 by 1 + 3 pixels.
  EXPECT_EQ(ServerGeometry(ScrForm->winId()), QRect((screen.width - 485) / 2, (screen.height - 348) / 2, 485, 348));
  EXPECT_TRUE(PumpUntil([] { return HasAboveState(ScrForm->winId()); }));
  EXPECT_TRUE(ScreenForm->bt_Record->isEnabled());
  EXPECT_TRUE(ScreenForm->RegionSelected);

  ScreenForm->bt_Record->SetPressed(true);
  ScreenForm->bt_Record->setText("Stop");
  ClickRegionButton();
  EXPECT_TRUE(PumpUntil([] { return testsupport::FindWindows("^Screen capture Window$").empty(); }));
  EXPECT_FALSE(ScrForm->isVisible());
  EXPECT_FALSE(ScreenForm->bt_Record->Pressed());
  EXPECT_FALSE(ScreenForm->bt_Record->isEnabled());
  EXPECT_EQ(ScreenForm->bt_Record->text(), "Record");
  EXPECT_FALSE(ScreenForm->RegionSelected);
}

TEST_F(RegionWindowTest, ShapeIsTheFrameAtEverySizeAndTheInsideIsTheCaptureArea) {
  ASSERT_NO_FATAL_FAILURE(ShowRegion());
  for (const QSize size : {QSize(485, 348), QSize(300, 200), QSize(640, 97), QSize(60, 31)}) {
    SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
    ScrForm->resize(size);
    ASSERT_TRUE(PumpUntil([&] { return ServerGeometry(ScrForm->winId()).size() == size; }));
    EXPECT_TRUE(PumpUntil([&] { return ShapeIsFrameOf(ScrForm, size); }))
        << "shape bounds " << BoundingShape(ScrForm->winId()).rectCount() << " rects";
    // Stills take the client area below the strip: exactly the hole.
    const QRect window = ServerGeometry(ScrForm->winId());
    const QRect capture(ScrForm->ClientOrigin() + QPoint(0, 25), ScrForm->ClientSize() - QSize(0, 25));
    EXPECT_EQ(capture, QRect(window.x() + 3, window.y() + 26, size.width() - 7, size.height() - 29));
  }
}

TEST_F(RegionWindowTest, ClickInTheHoleReachesTheWindowBelowAlsoAfterAResizeByTheEdge) {
  ASSERT_NO_FATAL_FAILURE(ShowRegion());
  ClickRecorder below;
  below.setWindowTitle("Below");
  const testsupport::WindowGeometry screen = testsupport::ScreenSize();
  below.setGeometry(0, 0, screen.width, screen.height);
  below.show();
  ASSERT_TRUE(PumpUntil([&] { return below.windowHandle()->isExposed(); }));
  Pump(300);
  const QSize size = ScrForm->size();

  const QPoint hole = OnScreen(size.width() / 2, size.height() / 2);
  Pointer("mousemove " + At(hole) + " click 1");
  ASSERT_TRUE(PumpUntil([&] { return !below.presses.empty(); }));
  EXPECT_EQ(below.presses.back(), hole);
  // The frame takes its own clicks.
  below.presses.clear();
  Pointer("mousemove " + At(OnScreen(1, size.height() / 2)) + " click 1");
  Pump(400);
  EXPECT_TRUE(below.presses.empty());

  // Resize by the bottom-right corner of the frame, as a user would.
  const QPoint corner = OnScreen(size.width() - 2, size.height() - 2);
  Pointer("mousemove " + At(corner) + " mousedown 1");
  Pointer("mousemove " + At(corner + QPoint(30, 20)));
  // The window manager takes over from here; it must be holding the pointer before it moves on.
  ASSERT_TRUE(PumpUntil([&] { return ServerGeometry(ScrForm->winId()).size() == size + QSize(30, 20); }));
  Pump(200);
  Pointer("mousemove " + At(corner + QPoint(60, 40)));
  Pointer("mouseup 1");
  const QSize grown = size + QSize(60, 40);
  ASSERT_TRUE(PumpUntil([&] { return ServerGeometry(ScrForm->winId()).size() == grown; }))
      << ServerGeometry(ScrForm->winId()).width() << "x" << ServerGeometry(ScrForm->winId()).height();
  EXPECT_TRUE(PumpUntil([&] { return ShapeIsFrameOf(ScrForm, grown); }));
  EXPECT_EQ(ScrForm->size(), grown);

  // What was the bottom frame before is inside the hole now.
  below.presses.clear();
  const QPoint formerFrame = OnScreen(size.width() / 2, size.height() - 2);
  Pointer("mousemove " + At(formerFrame) + " click 1");
  ASSERT_TRUE(PumpUntil([&] { return !below.presses.empty(); }));
  EXPECT_EQ(below.presses.back(), formerFrame);
}

struct DragCase {
  const char* name;
  QPoint grab;  // in window coordinates
  int button;
  bool moves;
};

void PrintTo(const DragCase& c, std::ostream* out) { *out << c.name; }

class RegionDragTest : public RegionWindowTest, public testing::WithParamInterface<DragCase> {};

TEST_P(RegionDragTest, OnlyALeftPressOnTheStripDragsWithTheGrabbedPointUnderThePointer) {
  const DragCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(ShowRegion());
  const QRect before = ServerGeometry(ScrForm->winId());
  const QPoint start = OnScreen(c.grab.x(), c.grab.y());
  const std::string button = std::to_string(c.button);
  Pointer("mousemove " + At(start) + " mousedown " + button);
  Pointer("mousemove " + At(start + QPoint(35, 25)));
  // The move pointer shows everywhere while the strip is held.
  const auto moveCursorShown = [] {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::SizeAllCursor;
  };
  if (c.moves) EXPECT_TRUE(PumpUntil(moveCursorShown));
  else EXPECT_FALSE(moveCursorShown());
  Pointer("mousemove " + At(start + QPoint(70, 50)));
  Pointer("mouseup " + button);

  const QRect expected = c.moves ? before.translated(70, 50) : before;
  EXPECT_TRUE(PumpUntil([&] { return ServerGeometry(ScrForm->winId()) == expected; }));
  Pump(300);
  EXPECT_EQ(ServerGeometry(ScrForm->winId()), expected);
  EXPECT_EQ(ScrForm->pos(), expected.topLeft());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Presses, RegionDragTest,
                         testing::Values(DragCase{"LeftOnStrip", {100, 12}, 1, true},
                                         DragCase{"RightOnStrip", {100, 12}, 3, false},
                                         DragCase{"MiddleOnStrip", {100, 12}, 2, false},
                                         DragCase{"LeftOnIcon", {15, 13}, 1, false}),
                         [](const testing::TestParamInfo<DragCase>& info) { return std::string(info.param.name); });

TEST_F(RegionWindowTest, ClosingAndShowingAgainKeepsWhereTheUserLeftIt) {
  ASSERT_NO_FATAL_FAILURE(ShowRegion());
  const QRect moved = ServerGeometry(ScrForm->winId()).translated(-120, -90);
  const QPoint start = OnScreen(150, 10);
  Pointer("mousemove " + At(start) + " mousedown 1");
  Pointer("mousemove " + At(start + QPoint(-120, -90)));
  Pointer("mouseup 1");
  ASSERT_TRUE(
      PumpUntil([&] { return ServerGeometry(ScrForm->winId()) == moved && ScrForm->pos() == moved.topLeft(); }));

  // The close button, at the right end of the strip.
  Pointer("mousemove " + At(OnScreen(ScrForm->width() - 4 - 11, 13)) + " click 1");
  ASSERT_TRUE(PumpUntil([] { return !ScrForm->isVisible(); }));
  ASSERT_FALSE(ScreenForm->bt_Region->Pressed());
  ASSERT_NO_FATAL_FAILURE(ShowRegion());
  EXPECT_EQ(ServerGeometry(ScrForm->winId()), moved);
  EXPECT_TRUE(PumpUntil([&] { return ShapeIsFrameOf(ScrForm, moved.size()); }));
}

TEST_F(RegionWindowTest, BorderStyleSwitchKeepsTheOuterBoundsAndMovesTheClientArea) {
  ASSERT_NO_FATAL_FAILURE(ShowRegion());
  const QRect bounds = ScrForm->geometry();
  EXPECT_EQ(ScrForm->ClientOrigin(), bounds.topLeft() + QPoint(3, 1));
  EXPECT_EQ(ScrForm->ClientSize(), bounds.size() - QSize(7, 4));

  // As a recording does it: no border, then hidden.
  ScrForm->SetBorderSizeable(false);
  ScrForm->hide();
  Pump(200);
  EXPECT_FALSE(ScrForm->BorderSizeable());
  EXPECT_EQ(ScrForm->geometry(), bounds);
  EXPECT_EQ(ScrForm->ClientOrigin(), bounds.topLeft());
  EXPECT_EQ(ScrForm->ClientSize(), bounds.size());
  EXPECT_TRUE(ScrForm->mask().isEmpty());

  ScrForm->SetBorderSizeable(true);
  ScrForm->show();
  ASSERT_TRUE(PumpUntil([] { return ScrForm->windowHandle()->isExposed(); }));
  EXPECT_TRUE(PumpUntil([&] { return ServerGeometry(ScrForm->winId()) == bounds; }));
  EXPECT_TRUE(PumpUntil([&] { return ShapeIsFrameOf(ScrForm, bounds.size()); }));
  EXPECT_EQ(ScrForm->ClientOrigin(), bounds.topLeft() + QPoint(3, 1));
}
