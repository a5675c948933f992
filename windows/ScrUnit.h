#pragma once
// TScrForm: the see-through frame window that marks the capture region.
#include <QWidget>

class TScrForm : public QWidget {
  Q_OBJECT
 public:
  explicit TScrForm(QWidget* parent = nullptr);

  // Screen position and size of the client area (the area inside the frame, strip included).
  QPoint ClientOrigin() const;
  QSize ClientSize() const;
  // Sizeable (drawn frame, resizable) or none (the client area is the whole window).
  void SetBorderSizeable(bool sizeable);
  bool BorderSizeable() const { return sizeable_; }

 private:
  bool sizeable_ = true;
};

extern TScrForm* ScrForm;
