// The About box's controls, look and link, in process.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QWindow>

#include "tests/help/xdg_sandbox.h"
#include "tests/support/process.h"
#include "windows/About.h"

namespace {

using namespace std::chrono_literals;

void ProcessEventsFor(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool ProcessEventsUntil(const std::function<bool()>& condition, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!condition() && timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return condition();
}

TEST(AboutBox, ControlsSitWhereTheyBelong) {
  TAboutBox box;
  EXPECT_EQ(AboutBox, &box);
  EXPECT_EQ(box.windowTitle(), "About");
  EXPECT_EQ(box.size(), QSize(368, 213));
  EXPECT_EQ(box.minimumSize(), box.maximumSize()) << "a fixed dialog border does not resize";
  EXPECT_EQ(box.font().pixelSize(), 11);

  struct Place {
    const char* name;
    QWidget* control;
    QWidget* parent;
    QRect geometry;  // an empty size: only the position is fixed
  };
  const Place places[] = {
      {"panel", box.Panel1, &box, QRect(8, 8, 353, 161)},
      {"ProgramIcon", box.ProgramIcon, box.Panel1, QRect(8, 8, 141, 137)},
      {"ProductName", box.ProductName, box.Panel1, QRect(160, 14, 0, 0)},
      {"Version", box.Version, box.Panel1, QRect(160, 34, 0, 0)},
      {"Label4", box.Label4, box.Panel1, QRect(160, 54, 169, 26)},
      {"rights notice", box.Copyright, box.Panel1, QRect(160, 86, 129, 26)},
      {"comment", box.Comments, box.Panel1, QRect(160, 118, 163, 26)},
      {"OKButton", box.OKButton, &box, QRect(147, 180, 75, 25)},
  };
  for (const Place& p : places) {
    EXPECT_EQ(p.control->parentWidget(), p.parent) << p.name;
    if (p.geometry.width() > 0) {
      EXPECT_EQ(p.control->geometry(), p.geometry) << p.name;
    } else {
      EXPECT_EQ(p.control->pos(), p.geometry.topLeft()) << p.name;
    }
  }
  for (QLabel* wrapped : {box.Label4, box.Copyright, box.Comments}) {
    EXPECT_TRUE(wrapped->wordWrap());
    EXPECT_LE(wrapped->heightForWidth(wrapped->width()), 2 * wrapped->fontMetrics().lineSpacing() + 1)
        << wrapped->text().toStdString() << " does not fit in two lines";
  }

  EXPECT_EQ(box.ProductName->text(), "Vorlix");
  EXPECT_EQ(box.Version->text(), "Version 1.1");
  EXPECT_TRUE(box.Label4->text().contains("Vorlix project"));
  EXPECT_TRUE(box.Label4->text().contains("https://vorlix.org/"));
  EXPECT_EQ(box.Label4->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_FALSE(box.Copyright->text().isEmpty());
  EXPECT_FALSE(box.Comments->text().isEmpty());
  EXPECT_EQ(box.OKButton->text(), "OK");
  EXPECT_TRUE(box.OKButton->isDefault());
}

TEST(AboutBox, LooksAsDrawn) {
  TAboutBox box;
  // The product picture: a 339 x 287 raster image stretched over the control, not a blank.
  const QImage picture = box.ProgramIcon->pixmap().toImage();
  EXPECT_EQ(picture.size(), QSize(339, 287));
  EXPECT_TRUE(box.ProgramIcon->hasScaledContents());
  QSet<QRgb> colours;
  for (int y = 0; y < picture.height(); y += 3) {
    for (int x = 0; x < picture.width(); x += 3) colours.insert(picture.pixel(x, y));
  }
  EXPECT_GT(colours.size(), 50);

  const QImage shot = box.grab().toImage();
  // Gradient background from white at the top to grey (95, 95, 95) at the bottom, outside the panel.
  EXPECT_EQ(QColor(shot.pixel(2, 0)), QColor(Qt::white));
  const QColor bottom(shot.pixel(2, shot.height() - 1));
  EXPECT_NEAR(bottom.red(), 95, 2);
  EXPECT_NEAR(bottom.green(), 95, 2);
  EXPECT_NEAR(bottom.blue(), 95, 2);
  // The panel is white inside its bevels.
  EXPECT_EQ(QColor(shot.pixel(8 + 150, 8 + 150)), QColor(Qt::white));

  // The link is written in blue and underlined: blue pixels in its top line and in a row under it.
  const QRect link = box.Label4->geometry().translated(box.Panel1->pos());
  int bluePixels = 0;
  int longestBlueRow = 0;
  for (int y = link.top(); y <= link.bottom(); ++y) {
    int row = 0;
    for (int x = link.left(); x <= link.right(); ++x) {
      const QColor c(shot.pixel(x, y));
      const bool blue = c.blue() > 150 && c.red() < 100 && c.green() < 100;
      bluePixels += blue;
      row += blue;
    }
    longestBlueRow = std::max(longestBlueRow, row);
  }
  EXPECT_GT(bluePixels, 100);
  EXPECT_GT(longestBlueRow, 60) << "no underline under the link";
}

TEST(AboutBox, LinkClickOpensTheProjectPage) {
  helptest::XdgSandbox sandbox;
  sandbox.ApplyToThisProcess();
  sandbox.RegisterViewer("x-scheme-handler/https");
  TAboutBox box;
  box.show();
  ASSERT_TRUE(ProcessEventsUntil([&] { return box.windowHandle() && box.windowHandle()->isExposed(); }, 60000));
  ProcessEventsFor(300);  // the window manager's final placement
  const QPoint target = box.Label4->mapToGlobal(QPoint(20, 5));
  testsupport::Run("xdotool mousemove " + std::to_string(target.x()) + " " + std::to_string(target.y()) +
                   " sleep 0.2 click 1");
  EXPECT_TRUE(ProcessEventsUntil([&] { return sandbox.ViewerLog() == "https://vorlix.org/\n"; }, 60000))
      << "viewer got:\n"
      << sandbox.ViewerLog();
  EXPECT_TRUE(box.isVisible()) << "the link leaves the box open";
}

}  // namespace
