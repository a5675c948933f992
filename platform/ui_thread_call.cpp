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
  ~UiStepRunner() override;

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
// Read and cleared under pendingMutex: a hand-over never meets a runner that the application
// is destroying, and the order of the two is plain to the thread checker too.
UiStepRunner* runner = nullptr;

UiStepRunner::~UiStepRunner() {
  std::lock_guard<std::mutex> lock(pendingMutex);
  if (runner == this) runner = nullptr;
}

// Queues the step and wakes the runner; false, queuing nothing, when there is no runner: the
// application is being destroyed, and widgets must not be touched from another thread.
bool Enqueue(PendingStep* pending) {
  std::lock_guard<std::mutex> lock(pendingMutex);
  if (!runner) return false;
  pendingSteps.push_back(pending);
  QMetaObject::invokeMethod(runner, "RunPending", Qt::QueuedConnection);
  return true;
}

bool OnUiThreadOrWithoutApplication() {
  QCoreApplication* app = QCoreApplication::instance();
  return !app || QThread::currentThread() == app->thread();
}

}  // namespace

void RunOnUiThread(const std::function<void()>& step) {
  PendingStep pending;
  pending.step = &step;
  if (OnUiThreadOrWithoutApplication()) {
    step();
    return;
  }
  if (!Enqueue(&pending)) return;  // the application is going: no UI thread to run it
  std::unique_lock<std::mutex> lock(pendingMutex);
  stepDone.wait(lock, [&] { return pending.done; });
}

void PostToUiThread(std::function<void()> step) {
  if (OnUiThreadOrWithoutApplication()) {
    step();
    return;
  }
  auto pending = std::make_unique<PendingStep>();
  pending->posted = std::move(step);
  if (Enqueue(pending.get())) pending.release();  // the runner frees it once run
}

}  // namespace platform

static void MakeUiStepRunner() {
  auto* made = new platform::UiStepRunner(QCoreApplication::instance());
  std::lock_guard<std::mutex> lock(platform::pendingMutex);
  platform::runner = made;
}
Q_COREAPP_STARTUP_FUNCTION(MakeUiStepRunner)

#include "ui_thread_call.moc"
