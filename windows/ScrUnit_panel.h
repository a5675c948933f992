#pragma once
// Panel1 of the region window: the white strip at the top by which the window is dragged.
#include <QWidget>

class TScrForm;

class TScrPanel : public QWidget {
 public:
  explicit TScrPanel(TScrForm* form);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // The pointer in the panel's coordinates, from its screen position and where the window was
  // last put, so that a move still on its way to the server does not count twice.
  QPoint PanelPosition(const QMouseEvent* event) const;
  TScrForm* form_;
};
