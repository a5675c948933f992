#pragma once
// TAboutBox: the About box.
#include <QDialog>

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
};

extern TAboutBox* AboutBox;
