#pragma once
// A camera recording a region of a private X server into a file, with a scene that changes
// under the region and every message box answered.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <string>
#include <vector>

#include "camera/scrcam.h"
#include "tests/codec/codec_test_support.h"
#include "tests/support/modal_watcher.h"

namespace recordingtest {

// Keeps the results of its attempts.
class ResultCam : public TScreenCam {
 public:
  ResultCam() : TScreenCam(nullptr) {
    OnRecordError = [this](TScreenCam*) { ++errors; };
    OnRecordStart = [this](TScreenCam*) { ++starts; };
    OnRecordStop = [this](TScreenCam*) { ++stops; };
    // As the main window numbers it: the repeat goes to the next free name, a new one beside a
    // failed file that is still there, or the failed attempt's own when it left nothing.
    RepeatFileName = [](const QString& failed) {
      const QFileInfo file(failed);
      if (!file.exists() && !file.isSymLink()) return failed;
      return file.dir().filePath("001_" + file.fileName());
    };
  }
  ~ResultCam() override {
    StopRecording();
    WaitForThread();
  }
  std::int32_t RecordAVI(QWidget* region, const QString& file) override {
    const std::int32_t result = TScreenCam::RecordAVI(region, file);
    std::lock_guard<std::mutex> lock(mutex);
    results.push_back(result);
    return result;
  }
  std::vector<std::int32_t> Results() {
    std::lock_guard<std::mutex> lock(mutex);
    return results;
  }
  // The catalogue index of `fourcc` after a refresh; -1 when it is not installed.
  int IndexOf(std::uint32_t fourcc) {
    RefreshCompressors();
    for (int i = 0; i < CompressorCount; ++i) {
      if (Compressors[i].fccHandler == fourcc) return i;
    }
    return -1;
  }
  std::atomic<int> errors{0}, starts{0}, stops{0};

 private:
  std::mutex mutex;
  std::vector<std::int32_t> results;
};

// Serves the UI thread for `ms`, or until `done` holds.
template <typename Done>
bool Serve(int ms, Done done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}
inline void Serve(int ms) {
  Serve(ms, [] { return false; });
}

// A window whose colour changes every 40 ms, so that consecutive frames differ.
class ChangingScene : public QWidget {
 public:
  explicit ChangingScene(const QRect& where) {
    setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    setGeometry(where);
    setAutoFillBackground(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
      QPalette p = palette();
      p.setColor(QPalette::Window, QColor::fromHsv((hue_ += 37) % 360, 255, 200));
      setPalette(p);
    });
    timer_.start(40);
    show();
  }

 private:
  QTimer timer_;
  int hue_ = 0;
};

// The region window as the camera sees it: its outer bounds.
inline std::unique_ptr<QWidget> RegionAt(const QRect& where) {
  auto region = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
  region->setGeometry(where);
  return region;
}

// Records for `ms` from the first slot on and waits for the thread to end. The set-up before the
// first slot (size queries, the file) can take much of a second on a loaded machine.
inline void RecordFor(ResultCam& cam, QWidget* region, const std::string& file, int ms) {
  const int startsBefore = cam.starts;
  cam.StartRecording(region, QString::fromStdString(file));
  Serve(60000, [&] { return cam.starts > startsBefore || cam.Thread.load() == nullptr; });
  Serve(ms);
  cam.StopRecording();
  Serve(60000, [&] { return cam.Thread.load() == nullptr; });
}

}  // namespace recordingtest
