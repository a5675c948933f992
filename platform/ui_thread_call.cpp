#include "ui_thread_call.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace platform {
namespace {

struct PendingStep {
  const std::function<void()>* step = nullptr;  // a step someone waits for
  bool done = false;
  std::function<void()> posted;  // or a step nobody waits for, freed once run
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
      if (pending->posted) {
        std::unique_ptr<PendingStep> owned(pending);
        try {
          owned->posted();
        } catch (...) {  // nobody to tell: the step is dropped
        }
        continue;
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
  PendingStep pending;
  pending.step = &step;
  {
    std::lock_guard<std::mutex> lock(pendingMutex);
    pendingSteps.push_back(&pending);
  }
  QMetaObject::invokeMethod(runner, "RunPending", Qt::QueuedConnection);
  std::unique_lock<std::mutex> lock(pendingMutex);
  stepDone.wait(lock, [&] { return pending.done; });
}

void PostToUiThread(std::function<void()> step) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) {
    step();
    return;
  }
  auto* pending = new PendingStep;
  pending->posted = std::move(step);
  {
    std::lock_guard<std::mutex> lock(pendingMutex);
    pendingSteps.push_back(pending);
  }
  QMetaObject::invokeMethod(runner, "RunPending", Qt::QueuedConnection);
}

}  // namespace platform

static void MakeUiStepRunner() {
  platform::runner = new platform::UiStepRunner(QCoreApplication::instance());
}
Q_COREAPP_STARTUP_FUNCTION(MakeUiStepRunner)

#include "ui_thread_call.moc"
