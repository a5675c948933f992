#pragma once
#include <QColor>
#include <QRect>

class QPainter;

namespace widgets {

// Fills `area` from `top` to `bottom` colour in `steps` horizontal bands, as the windows' backgrounds are.
void PaintGradient(QPainter& painter, const QRect& area, const QColor& top, const QColor& bottom, int steps = 100);

// The background of the program's windows: white to grey (95, 95, 95).
void PaintWindowBackground(QPainter& painter, const QRect& area);

}  // namespace widgets
