// Dragging the region window by its top strip.
#include "windows/ScrUnit_panel.h"

#include <QApplication>
#include <QMouseEvent>

#include "windows/ScrUnit.h"

TScrPanel::TScrPanel(TScrForm* form) : QWidget(form), form_(form) {
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setCursor(Qt::DragMoveCursor);
}

QPoint TScrPanel::PanelPosition(const QMouseEvent* event) const {
  return event->globalPosition().toPoint() - form_->geometry().topLeft() - pos();
}

void TScrPanel::mousePressEvent(QMouseEvent* event) {
  const QPoint p = PanelPosition(event);
  form_->Panel1MouseDown(event->button(), p.x(), p.y());
}

void TScrPanel::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = PanelPosition(event);
  form_->Panel1MouseMove(p.x(), p.y());
}

void TScrPanel::mouseReleaseEvent(QMouseEvent*) { form_->Panel1MouseUp(); }

void TScrForm::Panel1MouseDown(Qt::MouseButton button, int X, int Y) {
  if (button != Qt::LeftButton) return;
  if (!Dragging) QApplication::setOverrideCursor(Qt::SizeAllCursor);
  Dragging = true;
  GrabX = X;
  GrabY = Y;
}

void TScrForm::Panel1MouseMove(int X, int Y) {
  if (!Dragging) return;
  move(x() + X - GrabX, y());
  move(x(), y() + Y - GrabY);
}

void TScrForm::Panel1MouseUp() {
  if (!Dragging) return;
  Dragging = false;
  QApplication::restoreOverrideCursor();
}
