#pragma once
// TAboutBox: the About box, a small modal dialog with the product's picture, name, version, the
// project's link, a rights notice and a comment line.
#include <QDialog>

class QLabel;
class QPushButton;
class QFrame;

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
  ~TAboutBox() override;

  // The project's page, opened by a click on Label4.
  static constexpr const char* kProjectUrl = "https://vorlix.org/";

  // Controls.
  QFrame* Panel1;
  QLabel* ProgramIcon;
  QLabel* ProductName;
  QLabel* Version;
  QLabel* Label4;
  QLabel* Copyright;
  QLabel* Comments;
  QPushButton* OKButton;

  // Handlers.
  void Label4Click(QObject* sender);

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
};

extern TAboutBox* AboutBox;
