// The region window's drawn frame: layout, painting, the cut-out and resizing from the edges.
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QToolButton>
#include <QWindow>

#include "windows/ScrUnit.h"

namespace {

// How far along an edge from a corner the pointer resizes both ways.
constexpr int kCornerReach = 12;
const QColor kFrameFace(212, 208, 200);
const QColor kFrameLine(64, 64, 64);

Qt::CursorShape SizingCursor(Qt::Edges edges) {
  if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge)) return Qt::SizeFDiagCursor;
  if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge)) return Qt::SizeBDiagCursor;
  if (edges & (Qt::LeftEdge | Qt::RightEdge)) return Qt::SizeHorCursor;
  return Qt::SizeVerCursor;
}

}  // namespace

void TScrForm::LayoutControls() {
  const QRect client = ClientRect();
  Panel1->setGeometry(client.left(), client.top(), client.width(), kPanelHeight);
  Image1->setGeometry(0, 0, kIconWidth, kPanelHeight);
  LMDSpeedButton1->setGeometry(client.width() - kCloseButtonWidth, 0, kCloseButtonWidth, kPanelHeight);
}

void TScrForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayoutControls();
  if (sizeable_) FormResize();
}

QRect TScrForm::InsideRect() const {
  return QRect(QPoint(kFrameLeft, kInsideTop), QPoint(width() - kFrameRight - 1, height() - kFrameBottom - 1));
}

void TScrForm::FormResize() {
  setMask(QRegion(rect()).xored(QRegion(InsideRect())));
  update();
}

void TScrForm::paintEvent(QPaintEvent*) {
  if (!sizeable_) return;  // the white background is all there is
  QPainter painter(this);
  painter.fillRect(rect(), kFrameFace);
  painter.setPen(kFrameLine);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  painter.fillRect(ClientRect(), Qt::white);
  if (translucent_) {
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(InsideRect(), Qt::transparent);
  }
}

Qt::Edges TScrForm::EdgesAt(const QPoint& pos) const {
  if (!sizeable_) return {};
  const QRect client = ClientRect();
  Qt::Edges edges;
  if (pos.x() < client.left()) edges |= Qt::LeftEdge;
  if (pos.x() > client.right()) edges |= Qt::RightEdge;
  if (pos.y() < client.top()) edges |= Qt::TopEdge;
  if (pos.y() > client.bottom()) edges |= Qt::BottomEdge;
  if (!edges) return edges;
  // Near a corner a side edge resizes both ways, as a sizing frame does.
  if (edges & (Qt::LeftEdge | Qt::RightEdge)) {
    if (pos.y() < kCornerReach) edges |= Qt::TopEdge;
    if (pos.y() >= height() - kCornerReach) edges |= Qt::BottomEdge;
  }
  if (edges & (Qt::TopEdge | Qt::BottomEdge)) {
    if (pos.x() < kCornerReach) edges |= Qt::LeftEdge;
    if (pos.x() >= width() - kCornerReach) edges |= Qt::RightEdge;
  }
  return edges;
}

void TScrForm::mousePressEvent(QMouseEvent* event) {
  const Qt::Edges edges = EdgesAt(event->position().toPoint());
  if (event->button() != Qt::LeftButton || !edges) return;
  resizeEdges_ = edges;
  resizeStart_ = event->globalPosition().toPoint();
  resizeStartGeometry_ = geometry();
  resizeByWindowManagerTried_ = false;
}

void TScrForm::mouseMoveEvent(QMouseEvent* event) {
  if (resizeEdges_ && (event->buttons() & Qt::LeftButton)) {
    ResizeBySelf(event->globalPosition().toPoint());
    // Handed to the window manager only once the pointer moves: a plain click on the frame must not
    // leave it resizing until the next click.
    if (!resizeByWindowManagerTried_) {
      resizeByWindowManagerTried_ = true;
      if (windowHandle() && windowHandle()->startSystemResize(resizeEdges_)) resizeEdges_ = {};
    }
    return;
  }
  const Qt::Edges edges = EdgesAt(event->position().toPoint());
  if (edges) setCursor(SizingCursor(edges));
  else setCursor(Qt::DragMoveCursor);
}

void TScrForm::mouseReleaseEvent(QMouseEvent*) { resizeEdges_ = {}; }

void TScrForm::ResizeBySelf(const QPoint& globalPos) {
  const QPoint delta = globalPos - resizeStart_;
  QRect g = resizeStartGeometry_;
  const QSize least = minimumSize();
  if (resizeEdges_ & Qt::LeftEdge) g.setLeft(std::min(g.left() + delta.x(), g.right() + 1 - least.width()));
  if (resizeEdges_ & Qt::RightEdge) g.setRight(std::max(g.right() + delta.x(), g.left() - 1 + least.width()));
  if (resizeEdges_ & Qt::TopEdge) g.setTop(std::min(g.top() + delta.y(), g.bottom() + 1 - least.height()));
  if (resizeEdges_ & Qt::BottomEdge) g.setBottom(std::max(g.bottom() + delta.y(), g.top() - 1 + least.height()));
  setGeometry(g);
}

bool TScrForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Image1) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove: return true;  // the icon's own: no drag starts from it
      default: break;
    }
  }
  return QWidget::eventFilter(watched, event);
}
