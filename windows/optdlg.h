#pragma once
// TOptionDlg: the video options dialog.
#include <QDialog>

class TOptionDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TOptionDlg(QWidget* parent = nullptr);
  void ShowOptions();
};

extern TOptionDlg* OptionDlg;
