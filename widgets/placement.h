#pragma once
// Where a window of a given size stands centred in an area: never left of or above the area, so
// a window larger than the area keeps its title bar reachable.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <algorithm>

namespace widgets {

inline QPoint CentredIn(const QRect& area, const QSize& size) {
  return {area.left() + std::max(0, (area.width() - size.width()) / 2),
          area.top() + std::max(0, (area.height() - size.height()) / 2)};
}

}  // namespace widgets
