#pragma once
// Message boxes with nobody to answer them: while an instance lives, every message box the
// program shows is written to stderr and closed at once, a question answered No.
#include <QObject>

namespace app {

class UnattendedBoxes : public QObject {
 public:
  UnattendedBoxes();
  ~UnattendedBoxes() override;
  UnattendedBoxes(const UnattendedBoxes&) = delete;
  UnattendedBoxes& operator=(const UnattendedBoxes&) = delete;

  int Shown() const { return shown_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int shown_ = 0;
};

}  // namespace app
