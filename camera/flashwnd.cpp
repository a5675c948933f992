#include "flashwnd.h"

#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <climits>

#include "platform/compositing.h"
#include "platform/screen_source.h"
#include "platform/x11_sync.h"

namespace {

// The brackets in the bracket window, which reaches kOutside pixels beyond the marked rectangle
// (width w, height h) on every side: an opening from kOutside to w + kOpeningEnd, and arms kArmNear
// pixels long from the window's near edges and from kArmFar pixels before w and h at the far ones.
constexpr int kOutside = 8;
constexpr int kOpeningEnd = 9;
constexpr int kArmNear = 24;
constexpr int kArmFar = 11;

// A rectangle given by its edges (right and bottom exclusive); a far edge at or before the near
// one gives no pixels, so around rectangles under kArmNear + kArmFar pixels the bars stay whole.
QRegion EdgeRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
  if (right <= left || bottom <= top) return QRegion();
  return QRegion(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                 static_cast<int>(bottom - top));
}

}  // namespace

TFlashingWnd::TFlashingWnd(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput |
                         Qt::WindowDoesNotAcceptFocus) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  // Nothing is erased before a paint: what PaintBrackets painted stays.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  // A Wayland compositor places the windows it manages itself (sway centres them): the brackets
  // go where they are put only when no window manager handles them.
  if (platform::IsWaylandSession()) setWindowFlag(Qt::BypassWindowManagerHint);
  translucent_ = platform::DesktopIsComposited();
  if (translucent_) setAttribute(Qt::WA_TranslucentBackground);  // before the native window exists
  setGeometry(430, 104, 483, 458);                               // replaced by the first FitToRect
  // The native window exists from now on, on the UI thread, before any recording uses it.
  winId();
}

QRegion TFlashingWnd::BracketRegion(std::int32_t width, std::int32_t height) {
  const std::int64_t w = width, h = height;
  QRegion region = EdgeRect(0, 0, w + 2 * kOutside, h + 2 * kOutside);
  region -= EdgeRect(kOutside, kOutside, w + kOpeningEnd, h + kOpeningEnd);  // the opening
  region -= EdgeRect(0, kArmNear, w + 2 * kOutside, h - kArmFar);            // horizontal cut
  region -= EdgeRect(kArmNear, 0, w - kArmFar, h + 2 * kOutside);            // vertical cut
  return region;
}

bool TFlashingWnd::BracketsMeet(const QRect& screen, std::int32_t left, std::int32_t top, std::int32_t width,
                                std::int32_t height) {
  // The screen in the bracket window's coordinates; offsets are kept far from int's limits.
  const auto offset = [](std::int32_t edge) {
    return static_cast<int>(std::clamp<std::int64_t>(kOutside - std::int64_t{edge}, INT_MIN / 2, INT_MAX / 2));
  };
  return BracketRegion(width, height).intersects(screen.translated(offset(left), offset(top)));
}

void TFlashingWnd::FitToRect(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
  const QRect bounds(left - kOutside, top - kOutside, width + 2 * kOutside, height + 2 * kOutside);
  setGeometry(bounds);
  MarkedRect = {left, top, static_cast<std::int32_t>(static_cast<std::int64_t>(left) + width - 1),
                static_cast<std::int32_t>(static_cast<std::int64_t>(top) + height - 1)};
  // The new shape replaces the old one as a whole.
  setMask(BracketRegion(width, height));
  platform::SyncWithServer();
}

void TFlashingWnd::PaintBrackets(std::uint32_t color) {
  if (MarkedRect.Right <= MarkedRect.Left || MarkedRect.Bottom <= MarkedRect.Top) return;
  color_ = QColor(color & 0xff, (color >> 8) & 0xff, (color >> 16) & 0xff);
  painting_ = true;
  repaint();
  painting_ = false;
  // The grab that follows reads the screen through another connection: the brackets must be
  // on the screen before it does.
  platform::SyncWithServer();
}

void TFlashingWnd::paintEvent(QPaintEvent*) {
  if (!painting_ && !translucent_) return;
  QPainter painter(this);
  if (translucent_) {
    // Every paint draws it all: transparent, and the brackets in their last colour.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), Qt::transparent);
    if (!color_.isValid()) return;
    painter.setClipRegion(mask());
  }
  painter.fillRect(rect(), color_);
}
