#include "ui_thread_call.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace platform {
namespace {

struct PendingStep {
  const std::function<void()>* step;
  bool done = false;
};

std::mutex pendingMutex;
std::condition_variable stepDone;
std::deque<PendingStep*> pendingSteps;

// Lives on the UI thread; each queued call runs whatever steps are waiting.
class UiStepRunner : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

  Q_INVOKABLE void RunPending() {
    for (;;) {
      PendingStep* pending = nullptr;
      {
        std::lock_guard<std::mutex> lock(pendingMutex);
        if (pendingSteps.empty()) return;
        pending = pendingSteps.front();
        pendingSteps.pop_front();
      }
      // Released also when the step throws: the waiting thread must not hang.
      struct Release {
        PendingStep* pending;
        ~Release() {
          {
            std::lock_guard<std::mutex> lock(pendingMutex);
            pending->done = true;
          }
          stepDone.notify_all();
        }
      } release{pending};
      (*pending->step)();
    }
  }
};

// Made by each application's constructor, on the UI thread, before any other thread can ask.
UiStepRunner* runner = nullptr;

}  // namespace

void RunOnUiThread(const std::function<void()>& step) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) {
    step();
    return;
  }
  PendingStep pending{&step};
  {
    std::lock_guard<std::mutex> lock(pendingMutex);
    pendingSteps.push_back(&pending);
  }
  QMetaObject::invokeMethod(runner, "RunPending", Qt::QueuedConnection);
  std::unique_lock<std::mutex> lock(pendingMutex);
  stepDone.wait(lock, [&] { return pending.done; });
}

}  // namespace platform

static void MakeUiStepRunner() {
  platform::runner = new platform::UiStepRunner(QCoreApplication::instance());
}
Q_COREAPP_STARTUP_FUNCTION(MakeUiStepRunner)

#include "ui_thread_call.moc"
