#include "app/unattended_boxes.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <cstdio>

namespace app {

UnattendedBoxes::UnattendedBoxes() { qApp->installEventFilter(this); }

UnattendedBoxes::~UnattendedBoxes() {
  if (qApp) qApp->removeEventFilter(this);
}

bool UnattendedBoxes::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show) {
    if (auto* box = qobject_cast<QMessageBox*>(watched)) {
      ++shown_;
      QString text = box->text();
      text.replace('\n', ' ');
      std::fprintf(stderr, "vorlix: %s: %s\n", qUtf8Printable(box->windowTitle()), qUtf8Printable(text.trimmed()));
      std::fflush(stderr);
      // Closed once its own event loop runs; No is the answer that changes nothing.
      QPointer<QMessageBox> guarded(box);
      QTimer::singleShot(0, box, [guarded] {
        if (guarded) guarded->done(QMessageBox::No);
      });
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace app
