// The camera object and its recording thread.
#include "camera/scrcam.h"

#include <QCoreApplication>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "camera/arrow_cursor.h"
#include "camera/flashwnd.h"
#include "platform/message_box.h"
#include "platform/screen_reader.h"
#include "platform/ui_thread_call.h"

namespace {

const TArrowCursor kArrowCursor;

bool OnUiThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

}  // namespace

TScreenCam::TScreenCam(QWidget* owner) : Owner(owner) {
  const platform::ScreenReader& screen = platform::ScreenReader::Instance();
  ScreenBitsPerPixel = screen.BitsPerPixel();
  ScreenWidth = screen.Info().width;
  ScreenHeight = screen.Info().height;
  if (Owner) {
    Marker = new TFlashingWnd(Owner);  // deleted with the owner's children
  } else {
    ownMarker_ = std::make_unique<TFlashingWnd>(nullptr);
    Marker = ownMarker_.get();
  }
  ArrowCursor = &kArrowCursor;
}

TScreenCam::~TScreenCam() {
  // The thread uses the camera to its end: stop it and let it close its file first.
  if (!ThreadEnded()) {
    StopRecording();
    WaitForThread();
  }
}

bool TScreenCam::StartRecording(QWidget* regionWindow, const QString& fileName) {
  if (Recording) return false;
  // A previous recording may still be closing its file; its end would clear the new one's state.
  WaitForThread();
  if (Recording) return false;  // a recording was started by a command run during the wait
  const std::int32_t index = CompressorIndex;
  if (index >= 0 && index < CompressorCount && index < MaxCompressors) {
    CompressorFourCC = Compressors[index].fccHandler;
  }
  readFailureShown_ = false;
  platform::ScreenReader::Instance().BeginCapture();
  // Once running, the thread deletes itself when it ends.
  auto thread = std::make_unique<TRecordAVIThread>(this, regionWindow, fileName);
  Thread = thread.get();
  lastThread_ = thread.get();
  Recording = true;
  if (StartRecordingThread(*thread)) {
    static_cast<void>(thread.release());
    return true;
  }
  // Nothing will ever end this recording: undo it here, or Stop and Exit would wait for ever.
  Recording = false;
  Thread = nullptr;
  thread.reset();
  FileFinished = false;
  Fire(OnRecordError);
  platform::ShowMessage("Error", "Error Creating AVI file", platform::BoxIcon::Warning);
  return false;
}

bool TScreenCam::StartRecordingThread(QThread& thread) {
  thread.start();
  // A thread that could not be created is neither running nor finished.
  return thread.isRunning() || thread.isFinished();
}

void TScreenCam::StopRecording() { Recording = false; }

void TScreenCam::RecordThreadDone() {
  Recording = false;
  Thread = nullptr;
}

bool TScreenCam::ThreadEnded() const {
  return Thread.load() == nullptr && (lastThread_.isNull() || lastThread_->isFinished());
}

void TScreenCam::WaitForThread() {
  if (ThreadEnded()) return;
  if (!OnUiThread()) {
    // Without a UI thread to serve them, hand-overs run on the recording thread itself.
    if (TRecordAVIThread* thread = lastThread_.data()) thread->wait();
    return;
  }
  // The thread hands steps to this thread and waits for them: keep serving events. The timer
  // wakes the loop also when the thread's last step has run and nothing else happens.
  QTimer tick;
  tick.start(5);
  while (!ThreadEnded()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TScreenCam::Fire(const TCameraEvent& event) {
  if (event) event(this);
}

TRecordAVIThread::TRecordAVIThread(TScreenCam* camera, QWidget* regionWindow, const QString& fileName)
    : Camera(camera), FileName(fileName), RegionWindow(regionWindow) {
  connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void TRecordAVIThread::run() {
  try {
    Execute();
  } catch (...) {
    // An error that escapes the recording still ends the thread the ordinary way.
  }
  TScreenCam* camera = Camera;
  Synchronize([camera] { camera->RecordThreadDone(); });
}

// The camera's hand-overs share the program's one queue to the UI thread, message boxes included,
// so every step runs in the order it was handed over.
void TRecordAVIThread::Synchronize(const std::function<void()>& step) { platform::RunOnUiThread(step); }

void TRecordAVIThread::Post(std::function<void()> step) { platform::PostToUiThread(std::move(step)); }

void TRecordAVIThread::Execute() {
  QString file = FileName;
  while (Camera->RecordAVI(RegionWindow, file) == -1) {
    QString next;
    Synchronize([this, &file, &next] {
      if (Camera->RepeatFileName) next = Camera->RepeatFileName(file);
    });
    if (next.isEmpty()) return;
    file = next;
  }
}
