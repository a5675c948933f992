// Hand-over of steps from the recording thread to the UI thread: the step is queued, the UI
// thread runs it from its event loop, and the recording thread waits until it has run (or, for a
// posted step, goes on at once). One queue keeps every step in the order it was handed over. The step
// and its completion travel under a standard mutex, so the synchronisation is plain to see for
// the thread checkers too (Qt's own blocking calls wait on futexes they cannot follow).
#include <QCoreApplication>
#include <QObject>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "camera/scrcam.h"

namespace {

struct TPendingStep {
  const std::function<void()>* step = nullptr;  // a step someone waits for
  bool done = false;
  std::function<void()> posted;  // or a step nobody waits for, freed once run
};

std::mutex pendingMutex;
std::condition_variable stepDone;
std::deque<TPendingStep*> pendingSteps;

// Lives on the UI thread; each queued call runs whatever steps are waiting.
class TStepRunner : public QObject {
  Q_OBJECT
 public:
  Q_INVOKABLE void RunPending() {
    for (;;) {
      TPendingStep* pending = nullptr;
      {
        std::lock_guard<std::mutex> lock(pendingMutex);
        if (pendingSteps.empty()) return;
        pending = pendingSteps.front();
        pendingSteps.pop_front();
      }
      if (pending->posted) {
        std::unique_ptr<TPendingStep> owned(pending);
        try {
          owned->posted();
        } catch (...) {  // nobody to tell: the step is dropped
        }
        continue;
      }
      // Released also when the step throws: the waiting thread must not hang.
      struct Release {
        TPendingStep* pending;
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

// Made on the UI thread by the first camera (see PrepareHandOver); made elsewhere, it is moved there.
TStepRunner* Runner(QCoreApplication* app) {
  static TStepRunner* runner = [app] {
    auto* r = new TStepRunner;  // lives to the end of the process
    if (r->thread() != app->thread()) r->moveToThread(app->thread());
    return r;
  }();
  return runner;
}

}  // namespace

void TRecordAVIThread::PrepareHandOver() {
  if (QCoreApplication* app = QCoreApplication::instance(); app && QThread::currentThread() == app->thread()) {
    Runner(app);
  }
}

void TRecordAVIThread::Synchronize(const std::function<void()>& step) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) {
    step();
    return;
  }
  TPendingStep pending{&step};
  {
    std::lock_guard<std::mutex> lock(pendingMutex);
    pendingSteps.push_back(&pending);
  }
  QMetaObject::invokeMethod(Runner(app), "RunPending", Qt::QueuedConnection);
  std::unique_lock<std::mutex> lock(pendingMutex);
  stepDone.wait(lock, [&] { return pending.done; });
}

void TRecordAVIThread::Post(std::function<void()> step) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) {
    step();
    return;
  }
  auto* pending = new TPendingStep;
  pending->posted = std::move(step);
  {
    std::lock_guard<std::mutex> lock(pendingMutex);
    pendingSteps.push_back(pending);
  }
  QMetaObject::invokeMethod(Runner(app), "RunPending", Qt::QueuedConnection);
}

#include "scrcam_handover.moc"
