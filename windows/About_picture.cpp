#include "About_picture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace about {
namespace {

void DrawBackdrop(QPainter& p) {
  QRadialGradient glow(QPointF(kPictureWidth / 2.0, kPictureHeight * 0.4), kPictureWidth * 0.7);
  glow.setColorAt(0.0, QColor(255, 255, 255));
  glow.setColorAt(1.0, QColor(206, 222, 236));
  p.fillRect(0, 0, kPictureWidth, kPictureHeight, glow);
}

void DrawMonitor(QPainter& p, const QRectF& screen) {
  // Stand and foot first, so that the case covers their tops.
  QPainterPath stand;
  stand.moveTo(screen.center().x() - 22, screen.bottom() + 10);
  stand.lineTo(screen.center().x() + 22, screen.bottom() + 10);
  stand.lineTo(screen.center().x() + 34, screen.bottom() + 48);
  stand.lineTo(screen.center().x() - 34, screen.bottom() + 48);
  stand.closeSubpath();
  p.fillPath(stand, QColor(88, 96, 108));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(60, 66, 76));
  p.drawRoundedRect(QRectF(screen.center().x() - 70, screen.bottom() + 46, 140, 14), 6, 6);

  QLinearGradient caseShade(screen.topLeft(), screen.bottomLeft());
  caseShade.setColorAt(0.0, QColor(74, 80, 92));
  caseShade.setColorAt(1.0, QColor(38, 42, 50));
  p.setBrush(caseShade);
  p.drawRoundedRect(screen.adjusted(-12, -12, 12, 14), 10, 10);

  QLinearGradient desktop(screen.topLeft(), screen.bottomRight());
  desktop.setColorAt(0.0, QColor(64, 140, 206));
  desktop.setColorAt(1.0, QColor(22, 74, 132));
  p.fillRect(screen, desktop);
}

void DrawDesktopWindows(QPainter& p, const QRectF& screen) {
  auto window = [&](qreal x, qreal y, qreal w, qreal h, const QColor& title) {
    const QRectF frame(screen.left() + x, screen.top() + y, w, h);
    p.fillRect(frame, QColor(236, 240, 244));
    p.fillRect(QRectF(frame.left(), frame.top(), frame.width(), 9), title);
    p.setPen(QPen(QColor(180, 188, 198), 1));
    for (qreal line = frame.top() + 16; line < frame.bottom() - 5; line += 8) {
      p.drawLine(QPointF(frame.left() + 6, line), QPointF(frame.right() - 14, line));
    }
  };
  window(14, 12, 110, 78, QColor(46, 110, 70));
  window(98, 48, 120, 86, QColor(150, 70, 40));
}

// The marked region with the four coloured brackets that blink around a recording.
void DrawMarkedRegion(QPainter& p, const QRectF& region) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(255, 255, 255, 200), 1.5, Qt::DashLine));
  p.drawRect(region);
  const qreal arm = 26;
  const QColor colours[] = {QColor(230, 40, 40), QColor(40, 190, 60), QColor(40, 90, 230), QColor(240, 200, 20)};
  const QPointF corners[] = {region.topLeft(), region.topRight(), region.bottomRight(), region.bottomLeft()};
  const QPointF arms[][2] = {{{arm, 0}, {0, arm}},
                             {{-arm, 0}, {0, arm}},
                             {{-arm, 0}, {0, -arm}},
                             {{arm, 0}, {0, -arm}}};
  for (int i = 0; i < 4; ++i) {
    p.setPen(QPen(colours[i], 8, Qt::SolidLine, Qt::SquareCap));
    p.drawLine(corners[i], corners[i] + arms[i][0]);
    p.drawLine(corners[i], corners[i] + arms[i][1]);
  }
}

void DrawRecordingLight(QPainter& p, const QPointF& centre) {
  QRadialGradient light(centre - QPointF(3, 3), 13);
  light.setColorAt(0.0, QColor(255, 150, 150));
  light.setColorAt(1.0, QColor(200, 0, 0));
  p.setPen(QPen(Qt::white, 2));
  p.setBrush(light);
  p.drawEllipse(centre, 11, 11);
}

}  // namespace

QImage DrawProductPicture() {
  QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawBackdrop(p);
  const QRectF screen(46, 34, 247, 160);
  DrawMonitor(p, screen);
  DrawDesktopWindows(p, screen);
  DrawMarkedRegion(p, QRectF(screen.left() + 60, screen.top() + 34, 150, 100));
  DrawRecordingLight(p, QPointF(screen.right() - 18, screen.top() + 18));
  return image;
}

}  // namespace about
