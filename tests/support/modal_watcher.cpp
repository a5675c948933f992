#include "tests/support/modal_watcher.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace testsupport {

ModalWatcher::ModalWatcher() {
  connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
  timer_.start(50);
}

void ModalWatcher::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal) return;
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    seen_.append(box->windowTitle() + '\t' + box->text());
    if (box->standardButtons() & QMessageBox::Yes) {
      if (beforeAnswer_) beforeAnswer_();
      box->done(answerYes_ ? QMessageBox::Yes : QMessageBox::No);
    } else {
      box->done(QMessageBox::Ok);
    }
  } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    seen_.append(dialog->windowTitle() + '\t');
    dialog->reject();
  }
}

}  // namespace testsupport
