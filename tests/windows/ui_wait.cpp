#include "tests/windows/ui_wait.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

namespace windowstest {

void Pump(int ms) {
  PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& condition, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    if (condition()) return true;
    QThread::msleep(10);
  }
  QApplication::processEvents();
  return condition();
}

}  // namespace windowstest
