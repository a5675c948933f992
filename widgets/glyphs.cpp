#include "glyphs.h"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>

namespace widgets {
namespace {

int SizeOf(Glyph glyph) {
  switch (glyph) {
    case Glyph::Region:
    case Glyph::Clipboard:
    case Glyph::ToFile:
    case Glyph::Options:
    case Glyph::Record:
    case Glyph::Help:
    case Glyph::Exit: return 24;
    default: return 16;
  }
}

void DrawQuestionMark(QPainter& p, const QRectF& r, const QColor& color) {
  p.setBrush(color);
  p.setPen(Qt::NoPen);
  p.drawEllipse(r);
  QFont font = p.font();
  font.setBold(true);
  font.setPixelSize(int(r.height() * 0.75));
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(r, Qt::AlignCenter, "?");
}

}  // namespace

QPixmap DrawGlyph(Glyph glyph) {
  const int s = SizeOf(glyph);
  QPixmap pixmap(s, s);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor dark(40, 60, 40);
  switch (glyph) {
    case Glyph::Region:
    case Glyph::RegionIcon: {
      QPen pen(QColor(0, 111, 0), s / 12.0, Qt::DashLine);
      p.setPen(pen);
      p.drawRect(QRectF(s * 0.12, s * 0.12, s * 0.76, s * 0.76));
      p.setPen(QPen(QColor(200, 40, 40), s / 10.0));
      p.drawLine(QPointF(s * 0.5, s * 0.3), QPointF(s * 0.5, s * 0.7));
      p.drawLine(QPointF(s * 0.3, s * 0.5), QPointF(s * 0.7, s * 0.5));
      break;
    }
    case Glyph::Clipboard:
      p.setPen(QPen(dark, 1.5));
      p.setBrush(QColor(190, 140, 80));
      p.drawRoundedRect(QRectF(4, 3, 16, 19), 2, 2);
      p.setBrush(Qt::white);
      p.drawRect(QRectF(6.5, 6, 11, 14));
      p.setBrush(QColor(120, 120, 120));
      p.drawRect(QRectF(8, 1.5, 8, 4));
      break;
    case Glyph::ToFile:
      p.setPen(QPen(dark, 1.5));
      p.setBrush(QColor(60, 90, 160));
      p.drawRect(QRectF(3, 3, 18, 18));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(6, 3, 12, 7));
      p.setBrush(QColor(200, 200, 200));
      p.drawRect(QRectF(7, 14, 10, 7));
      break;
    case Glyph::Options: {
      p.setPen(QPen(dark, 2));
      for (int i = 0; i < 3; ++i) {
        const double y = 5 + i * 7;
        p.drawLine(QPointF(3, y), QPointF(21, y));
        p.setBrush(QColor(0, 111, 0));
        p.drawRect(QRectF(5 + i * 5, y - 2.5, 4, 5));
      }
      break;
    }
    case Glyph::Record:
      p.setPen(QPen(QColor(120, 0, 0), 1.5));
      p.setBrush(QColor(220, 30, 30));
      p.drawEllipse(QRectF(4, 4, 16, 16));
      break;
    case Glyph::Help:
    case Glyph::MenuHelp: DrawQuestionMark(p, QRectF(1, 1, s - 2, s - 2), QColor(0, 99, 180)); break;
    case Glyph::MenuAbout:
      p.setBrush(QColor(0, 111, 0));
      p.setPen(Qt::NoPen);
      p.drawEllipse(QRectF(1, 1, 14, 14));
      p.setPen(QPen(Qt::white, 2));
      p.drawLine(QPointF(8, 7), QPointF(8, 12));
      p.drawPoint(QPointF(8, 4.5));
      break;
    case Glyph::Exit: {
      p.setPen(QPen(dark, 1.5));
      p.setBrush(QColor(150, 110, 70));
      p.drawRect(QRectF(4, 2, 11, 20));
      p.setPen(QPen(QColor(200, 30, 30), 2.5));
      p.drawLine(QPointF(11, 12), QPointF(22, 12));
      p.drawLine(QPointF(18, 8), QPointF(22, 12));
      p.drawLine(QPointF(18, 16), QPointF(22, 12));
      break;
    }
    case Glyph::Modify:
      p.setPen(QPen(QColor(0, 99, 147), 1.2));
      p.setBrush(QColor(250, 210, 80));
      p.drawPolygon(QPolygonF({QPointF(3, 13), QPointF(4, 10), QPointF(11, 3), QPointF(13, 5), QPointF(6, 12)}));
      break;
    case Glyph::CloseCross:
      // A red diagonal cross on magenta, the colour that stands for transparency.
      p.setRenderHint(QPainter::Antialiasing, false);
      p.fillRect(pixmap.rect(), QColor(255, 0, 255));
      p.setPen(QPen(QColor(200, 0, 0), 2));
      p.drawLine(3, 3, 12, 12);
      p.drawLine(12, 3, 3, 12);
      p.end();
      pixmap.setMask(pixmap.createMaskFromColor(QColor(255, 0, 255)));
      return pixmap;
    default: break;
  }
  return pixmap;
}

}  // namespace widgets
