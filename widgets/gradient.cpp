#include "gradient.h"

#include <QPainter>

namespace widgets {

void PaintGradient(QPainter& painter, const QRect& area, const QColor& top, const QColor& bottom, int steps) {
  if (steps < 1 || area.isEmpty()) return;
  for (int i = 0; i < steps; ++i) {
    const int y0 = area.top() + area.height() * i / steps;
    const int y1 = area.top() + area.height() * (i + 1) / steps;
    if (y1 <= y0) continue;
    const double t = steps == 1 ? 0.0 : double(i) / (steps - 1);
    const QColor c(int(top.red() + (bottom.red() - top.red()) * t + 0.5),
                   int(top.green() + (bottom.green() - top.green()) * t + 0.5),
                   int(top.blue() + (bottom.blue() - top.blue()) * t + 0.5));
    painter.fillRect(QRect(area.left(), y0, area.width(), y1 - y0), c);
  }
}

void PaintWindowBackground(QPainter& painter, const QRect& area) {
  PaintGradient(painter, area, Qt::white, QColor(95, 95, 95), 100);
}

}  // namespace widgets
