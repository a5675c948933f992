#include "platform/topmost.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWindow>

namespace platform {
namespace {

// Turns one reason for a suspension (inactive, minimised) on and off, at most once each way.
class SuspensionReason {
 public:
  void Set(bool active) {
    if (active == active_) return;
    active_ = active;
    if (active) TopMostWindows::Instance().Suspend();
    else TopMostWindows::Instance().UndoOneSuspension();
  }

 private:
  bool active_ = false;
};

class MinimiseWatcher : public QObject {
 public:
  MinimiseWatcher(QWidget* mainWindow, SuspensionReason* reason) : QObject(mainWindow), reason_(reason) {
    mainWindow->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowStateChange) {
      reason_->Set(static_cast<QWidget*>(watched)->isMinimized());
    }
    return false;
  }

 private:
  SuspensionReason* reason_;
};

}  // namespace

TopMostWindows& TopMostWindows::Instance() {
  static TopMostWindows instance;
  return instance;
}

void TopMostWindows::Register(QWidget* window) {
  windows_.append(QPointer<QWidget>(window));
  if (count_ > 0) Apply(false);
}

void TopMostWindows::Suspend() {
  if (++count_ == 1) Apply(false);
}

void TopMostWindows::UndoOneSuspension() {
  if (count_ == 0) return;
  if (--count_ == 0) Apply(true);
}

void TopMostWindows::Apply(bool onTop) {
  windows_.removeAll(QPointer<QWidget>());
  for (const QPointer<QWidget>& window : windows_) {
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    if (flags == window->windowFlags()) continue;
    // Changes the native window's state in place: setWindowFlags() would re-create and hide it.
    window->overrideWindowFlags(flags);
    if (QWindow* handle = window->windowHandle()) handle->setFlags(flags);
  }
}

void TopMostWindows::FollowApplicationState(QWidget* mainWindow) {
  static SuspensionReason inactive;
  static SuspensionReason minimised;
  QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, mainWindow,
                   [](Qt::ApplicationState state) { inactive.Set(state != Qt::ApplicationActive); });
  new MinimiseWatcher(mainWindow, &minimised);
}

}  // namespace platform
