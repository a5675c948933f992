#pragma once
// Where a window of a given size stands centred in an area: never left of or above the area, so
// a window larger than the area keeps its title bar reachable.
#include <QGuiApplication>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <algorithm>

namespace widgets {

inline QPoint CentredIn(const QRect& area, const QSize& size) {
  return {area.left() + std::max(0, (area.width() - size.width()) / 2),
          area.top() + std::max(0, (area.height() - size.height()) / 2)};
}

// The area the program's windows centre in: the primary monitor (Qt reads RandR's monitors), not
// the whole desktop, whose middle may be the seam between two monitors.
inline QRect PrimaryMonitorArea() {
  const QScreen* primary = QGuiApplication::primaryScreen();
  return primary ? primary->geometry() : QRect();
}

}  // namespace widgets
