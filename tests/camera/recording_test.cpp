// The camera's settings and its recording thread: start, stop, the thread's end, the hand-overs
// to the UI thread, and the marker flashing around the grabs of a recording.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPointer>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "camera/flashwnd.h"
#include "camera/scrcam.h"
#include "platform/clock.h"
#include "tests/camera/camera_test_util.h"
#include "tests/camera/x_client.h"
#include "tests/support/x_session.h"

using cameratest::ServeUntil;

namespace {

// A camera whose recording attempts are stand-ins: each runs until Recording is cleared (or at
// once), then spends `closingMs` as if closing its file; the results to return come from a list.
class StandInCam : public TScreenCam {
 public:
  StandInCam() : TScreenCam(nullptr) {}
  ~StandInCam() override {
    // The attempts below use this object: the base's wait must not come too late.
    StopRecording();
    WaitForThread();
  }

  std::int32_t RecordAVI(QWidget*, const QString& file) override {
    files.push_back(file);  // the attempts follow each other on one thread
    const int running = ++concurrent;
    maxConcurrent = std::max(maxConcurrent.load(), running);
    const int attempt = attempts++;
    attemptThread = QThread::currentThread();
    if (throwError) {
      --concurrent;
      throw std::runtime_error("escaped");
    }
    if (untilStopped) {
      while (Recording) platform::SleepMs(2);
    }
    platform::SleepMs(closingMs);
    const std::int32_t result = attempt < static_cast<int>(results.size()) ? results[attempt] : 1;
    --concurrent;
    ++attemptsDone;
    return result;
  }

  std::vector<std::int32_t> results;
  std::vector<QString> files;  // of the attempts, in order; read once the thread has ended
  bool untilStopped = true;
  bool throwError = false;
  std::uint32_t closingMs = 0;
  std::atomic<int> attempts{0}, attemptsDone{0}, concurrent{0}, maxConcurrent{0};
  std::atomic<QThread*> attemptThread{nullptr};
};

// Counts the paints of a widget and the colour each used.
class PaintSpy : public QObject {
 public:
  PaintSpy(QWidget* target, std::function<void()> onPaint) : onPaint_(std::move(onPaint)) {
    target->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) onPaint_();
    return false;
  }

 private:
  std::function<void()> onPaint_;
};

TEST(ScreenCam, StartsWithTheDefaults) {
  QWidget owner;
  TScreenCam cam(&owner);
  EXPECT_EQ(cam.Owner, &owner);
  EXPECT_EQ(cam.ScreenBitsPerPixel, 32);
  EXPECT_EQ(cam.ScreenWidth, testsupport::ScreenSize().width);
  EXPECT_EQ(cam.ScreenHeight, testsupport::ScreenSize().height);
  EXPECT_EQ(cam.CompressorFourCC, mmioFOURCC('M', 'S', 'V', 'C'));
  EXPECT_EQ(cam.CompressorFourCC, 0x4356534du);
  EXPECT_FALSE(cam.Recording);
  EXPECT_EQ(cam.StartTime, 0u);
  EXPECT_EQ(cam.LastFrameInterval, 0.0);
  EXPECT_EQ(cam.FramesDropped + cam.FrameIndex + cam.FramesWritten + cam.CaptureWidth + cam.CaptureHeight, 0);
  EXPECT_FALSE(cam.OnProgress || cam.OnRecordStart || cam.OnRecordStop || cam.OnRecordError);
  EXPECT_EQ(cam.Thread, nullptr);
  EXPECT_EQ(cam.FramesPerSecond, 10);
  EXPECT_EQ(cam.FrameIntervalMs, 100);
  EXPECT_EQ(cam.KeyFrameEvery, 5);
  EXPECT_EQ(cam.CompressorIndex, -1);
  EXPECT_EQ(cam.Quality, 6550);
  EXPECT_EQ(cam.CompressorCount, 0);
  for (const ICINFO& info : cam.Compressors) EXPECT_EQ(info.fccHandler | info.fccType | info.dwSize, 0u);
  EXPECT_TRUE(cam.WithCursor);
  ASSERT_NE(cam.Marker, nullptr);
  EXPECT_TRUE(cam.Marker->isHidden());
  EXPECT_EQ(cam.Marker->parentWidget(), &owner);
  EXPECT_TRUE(cam.ShowMarker);
  EXPECT_NE(cam.ArrowCursor, nullptr);
  EXPECT_FALSE(cam.FollowRegion);
}

TEST(ScreenCam, StartRecordingTwiceStartsOneThread) {
  StandInCam cam;
  cam.StartRecording(nullptr, "/tmp/one.avi");
  TRecordAVIThread* first = cam.Thread;
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(cam.Recording);
  EXPECT_EQ(first->FileName, "/tmp/one.avi");
  cam.StartRecording(nullptr, "/tmp/two.avi");
  EXPECT_EQ(cam.Thread, first);
  ASSERT_TRUE(ServeUntil([&] { return cam.attempts == 1; }));
  cam.StopRecording();
  ASSERT_TRUE(ServeUntil([&] { return cam.Thread == nullptr; }));
  EXPECT_EQ(cam.attempts, 1);
}

TEST(ScreenCam, StopRecordingWithoutARecordingOnlyClearsTheFlag) {
  TScreenCam cam(nullptr);
  cam.StopRecording();
  EXPECT_FALSE(cam.Recording);
  EXPECT_EQ(cam.Thread, nullptr);
  cam.Recording = true;
  cam.StopRecording();
  EXPECT_FALSE(cam.Recording);
  EXPECT_EQ(cam.Thread, nullptr);
  EXPECT_TRUE(cam.Marker->isHidden());
}

TEST(ScreenCam, TheThreadsEndClearsRecordingAndThreadOnTheUiThreadThenTheThreadGoes) {
  StandInCam cam;
  cam.untilStopped = false;
  cam.StartRecording(nullptr, "/tmp/x.avi");
  QPointer<TRecordAVIThread> thread = cam.Thread.load();
  // The attempt ends, but without the UI thread the termination handler cannot run.
  ASSERT_TRUE(testsupport::WaitUntil([&] { return cam.attemptsDone != 0; }, testsupport::kPatience));
  ASSERT_EQ(cam.attemptsDone, 1);
  QThread::msleep(100);
  EXPECT_TRUE(cam.Recording);
  EXPECT_EQ(cam.Thread, thread.data());
  EXPECT_NE(cam.attemptThread, QThread::currentThread());

  ASSERT_TRUE(ServeUntil([&] { return cam.Thread == nullptr; }));
  EXPECT_FALSE(cam.Recording);
  EXPECT_TRUE(ServeUntil([&] { return thread.isNull(); })) << "the thread deletes itself";
}

TEST(ScreenCam, AttemptsAreRepeatedWhileTheyAskForEachIntoTheNameItIsGiven) {
  StandInCam cam;
  cam.untilStopped = false;
  cam.results = {-1, -1, 0, -1};
  std::vector<QString> asked;
  cam.RepeatFileName = [&](const QString& failed) {
    asked.push_back(failed);
    return "/tmp/repeat " + QString::number(asked.size()) + ".avi";
  };
  cam.StartRecording(nullptr, "/tmp/x.avi");
  ASSERT_TRUE(ServeUntil([&] { return cam.Thread == nullptr; }));
  EXPECT_EQ(cam.attempts, 3) << "-1, -1, then 0 ends it";
  EXPECT_EQ(cam.files, (std::vector<QString>{"/tmp/x.avi", "/tmp/repeat 1.avi", "/tmp/repeat 2.avi"}))
      << "a repeat never reopens the failed attempt's file";
  EXPECT_EQ(asked, (std::vector<QString>{"/tmp/x.avi", "/tmp/repeat 1.avi"}));
  EXPECT_FALSE(cam.Recording);

  // Without a name for it, there is no repeat.
  StandInCam unnamed;
  unnamed.untilStopped = false;
  unnamed.results = {-1, 1};
  unnamed.StartRecording(nullptr, "/tmp/x.avi");
  ASSERT_TRUE(ServeUntil([&] { return unnamed.Thread == nullptr; }));
  EXPECT_EQ(unnamed.attempts, 1);
}

TEST(ScreenCam, AnErrorThatEscapesStillEndsTheThreadTheOrdinaryWay) {
  StandInCam cam;
  cam.throwError = true;
  cam.StartRecording(nullptr, "/tmp/x.avi");
  ASSERT_TRUE(ServeUntil([&] { return cam.Thread == nullptr; }));
  EXPECT_FALSE(cam.Recording);
  EXPECT_EQ(cam.attempts, 1);
}

TEST(ScreenCam, StartRecordingTakesTheChosenCompressorsCode) {
  StandInCam cam;
  cam.untilStopped = false;
  cam.CompressorCount = 3;
  cam.Compressors[2].fccHandler = mmioFOURCC('Z', 'M', 'B', 'V');
  cam.CompressorFourCC = mmioFOURCC('I', 'V', '5', '0');
  cam.CompressorIndex = -1;
  cam.StartRecording(nullptr, "/tmp/x.avi");
  EXPECT_EQ(cam.CompressorFourCC, mmioFOURCC('I', 'V', '5', '0')) << "-1 leaves it";
  ASSERT_TRUE(ServeUntil([&] { return cam.Thread == nullptr; }));
  cam.CompressorIndex = 2;
  cam.StartRecording(nullptr, "/tmp/x.avi");
  EXPECT_EQ(cam.CompressorFourCC, mmioFOURCC('Z', 'M', 'B', 'V'));
  ASSERT_TRUE(ServeUntil([&] { return cam.Thread == nullptr; }));
}

TEST(ScreenCam, ANewRecordingWaitsWithTheUiLiveForThePreviousThread) {
  StandInCam cam;
  cam.closingMs = 300;
  cam.StartRecording(nullptr, "/tmp/x.avi");
  ASSERT_TRUE(ServeUntil([&] { return cam.attempts == 1; }));
  QPointer<TRecordAVIThread> first = cam.Thread.load();
  cam.StopRecording();
  int ticks = 0;
  QTimer ui;
  QObject::connect(&ui, &QTimer::timeout, [&] { ++ticks; });
  ui.start(10);
  cam.StartRecording(nullptr, "/tmp/x.avi");
  EXPECT_TRUE(first.isNull() || first->isFinished()) << "started only after the previous thread ended";
  EXPECT_GT(ticks, 5) << "the UI was served during the wait";
  EXPECT_TRUE(cam.Recording);
  EXPECT_NE(cam.Thread, nullptr);
  ASSERT_TRUE(ServeUntil([&] { return cam.attempts == 2; }));
  cam.StopRecording();
  ASSERT_TRUE(ServeUntil([&] { return cam.Thread == nullptr; }));
  EXPECT_EQ(cam.maxConcurrent, 1);
}

TEST(ScreenCam, TheCameraOutlivesItsThread) {
  QWidget region(nullptr, Qt::FramelessWindowHint);
  region.setGeometry(0, 0, 64, 48);
  const QString file =
      QDir::temp().filePath("vorlix-outlives-" + QString::number(QCoreApplication::applicationPid()) + ".avi");
  auto* cam = new TScreenCam(nullptr);
  cam->StartRecording(&region, file);
  QPointer<TRecordAVIThread> thread = cam->Thread.load();
  ASSERT_FALSE(thread.isNull());
  // The thread still has to hand its end to this thread: the camera must wait for that.
  delete cam;
  EXPECT_TRUE(thread.isNull() || thread->isFinished());
  ServeUntil([&] { return thread.isNull(); });
  QFile::remove(file);
}

TEST(ScreenCam, MarkerStepsDoNothingOnceRecordingIsCleared) {
  TScreenCam cam(nullptr);
  TRecordAVIThread thread(&cam, nullptr, "/tmp/x.avi");  // never started
  cam.Marker->FitToRect(100, 100, 200, 150);
  thread.MarkerLeft = 10;
  thread.MarkerTop = 20;
  thread.MarkerWidth = 50;
  thread.MarkerHeight = 60;
  thread.PlaceMarker();
  EXPECT_EQ(cam.Marker->geometry(), QRect(92, 92, 216, 166));
  cam.Recording = true;
  thread.PlaceMarker();
  EXPECT_EQ(cam.Marker->geometry(), QRect(2, 12, 66, 76));

  cam.Marker->show();
  ServeUntil([] { return false; }, std::chrono::milliseconds(200));
  int paints = 0;
  PaintSpy spy(cam.Marker, [&] { ++paints; });
  thread.MarkerColor = CaptureColor;
  cam.Recording = false;
  thread.PaintMarker();
  EXPECT_EQ(paints, 0);
  cam.Recording = true;
  thread.PaintMarker();
  EXPECT_EQ(paints, 1);
  cam.Recording = false;
}

TEST(ScreenCam, AGrabWithoutARecordingThreadLeavesTheMarkerAlone) {
  TScreenCam cam(nullptr);
  cam.FollowRegion = true;
  cam.Marker->FitToRect(100, 100, 200, 150);
  int paints = 0;
  PaintSpy spy(cam.Marker, [&] { ++paints; });
  PackedDib frame = cam.CaptureFrame(10, 10, 40, 40);
  ASSERT_NE(frame, nullptr);
  FreeFrame(frame);
  EXPECT_EQ(paints, 0);
  EXPECT_EQ(cam.Marker->geometry(), QRect(92, 92, 216, 166));
}

TEST(ScreenCam, EmptyRectanglesGiveNoFrameAndNoMessage) {
  cameratest::BoxWatcher boxes;
  TScreenCam cam(nullptr);
  for (const QRect& r : {QRect(0, 0, 0, 10), QRect(0, 0, 10, 0), QRect(5, 5, -3, 10)}) {
    EXPECT_EQ(cam.CaptureFrame(r.x(), r.y(), r.width(), r.height()), nullptr);
  }
  ServeUntil([] { return false; }, std::chrono::milliseconds(100));
  EXPECT_EQ(boxes.Log(), "");
}

TEST(ScreenCam, AFrameThatCannotBeHadIsReportedWithAWarning) {
  cameratest::BoxWatcher boxes;
  TScreenCam cam(nullptr);
  EXPECT_EQ(cam.CaptureFrame(0, 0, 70000, 70000), nullptr);
  EXPECT_EQ(boxes.Log(), "Error\tError capturing a frame!\n");
  EXPECT_EQ(boxes.LastIcon(), QMessageBox::Warning);
}

// A recording stand-in that does what the recording procedure does around its grabs: shows the
// marker, grabs the rectangle until stopped, hides the marker.
class GrabbingCam : public TScreenCam {
 public:
  GrabbingCam() : TScreenCam(nullptr) {}
  ~GrabbingCam() override {
    StopRecording();
    WaitForThread();
  }
  std::int32_t RecordAVI(QWidget*, const QString&) override {
    const QRect first = Rect();
    if (ShowMarker) {
      TRecordAVIThread::Synchronize([this, first] {
        Marker->FitToRect(first.x(), first.y(), first.width(), first.height());
        Marker->show();
      });
    }
    while (Recording) {
      const QRect r = Rect();
      PackedDib frame = CaptureFrame(r.x(), r.y(), r.width(), r.height());
      ++grabs;
      if (frame) {
        ++frames;
        const cameratest::DibView dib(frame);
        if (dib.Width() != r.width() || dib.Height() != r.height()) framesRightSize = false;
      }
      FreeFrame(frame);
      platform::SleepMs(20);
    }
    if (ShowMarker) TRecordAVIThread::Synchronize([this] { Marker->hide(); });
    return 1;
  }
  QRect Rect() {
    std::lock_guard<std::mutex> lock(mutex_);
    return rect_;
  }
  void SetRect(const QRect& r) {
    std::lock_guard<std::mutex> lock(mutex_);
    rect_ = r;
  }
  std::atomic<int> grabs{0}, frames{0};
  std::atomic<bool> framesRightSize{true};

 private:
  std::mutex mutex_;
  QRect rect_{100, 100, 200, 150};
};

// A frame of made-up pixels would be recorded as if captured; a box per frame would hold the
// recording up at every slot.
TEST(ScreenCam, PixelsThatCannotBeReadGiveNoFrameAndOneBoxPerRecording) {
  cameratest::BoxWatcher boxes;
  GrabbingCam cam;
  cam.ShowMarker = false;
  cam.ScreenBitsPerPixel = 12;  // there is no conversion to 12 bits: every read fails
  const std::string box = "Error\tError retrieving bitmap bits\n";
  for (int recording = 1; recording <= 2; ++recording) {
    cam.StartRecording(nullptr, "unused.avi");
    ASSERT_TRUE(ServeUntil([&] { return cam.grabs >= 5 * recording; }));
    cam.StopRecording();
    cam.WaitForThread();
    EXPECT_EQ(cam.frames, 0);
    EXPECT_EQ(boxes.Log(), recording == 1 ? box : box + box);
  }
}

TEST(ScreenCam, DuringARecordingEachGrabShowsTheMarkerInTheCaptureColourWhileItReads) {
  const testsupport::WindowGeometry size = testsupport::ScreenSize();
  testsupport::PaintRoot(testsupport::MakePattern(size.width, size.height));
  cameratest::XClient observer;  // a second X client
  GrabbingCam cam;
  cam.FollowRegion = true;

  // At the first capture-colour paint, queue a probe behind it: it runs when the paint's
  // hand-over has returned, and holds the UI thread until the grabbing thread has read the
  // screen and asks for the idle colour. The screen then still shows the colour of the read.
  // The probe goes into the camera's own queue to the UI thread, from a helper thread (on the
  // UI thread a step runs at once): that queue is run dry in one go, so a step queued elsewhere
  // would let the idle paint overtake it. (A paint of another cause could queue the probe
  // before the hand-over: then the wait times out and the next paint tries again.)
  bool probeQueued = false;
  bool probed = false;
  std::uint32_t seenWhileReading = 0, seenAfter = 0;
  PaintSpy spy(cam.Marker, [&] {
    TRecordAVIThread* thread = cam.Thread;
    if (probeQueued || probed || !thread || thread->MarkerColor != CaptureColor || cam.frames < 2) return;
    probeQueued = true;
    std::thread([&, thread] {
      TRecordAVIThread::Post([&, thread] {
        probeQueued = false;
        QElapsedTimer waited;
        waited.start();
        while (thread->MarkerColor != IdleColor && waited.elapsed() < 500) QThread::usleep(200);
        if (thread->MarkerColor != IdleColor) return;
        seenWhileReading = observer.Pixel(95, 95);
        probed = true;
      });
    }).join();
  });
  cam.StartRecording(nullptr, "/tmp/x.avi");
  ASSERT_TRUE(ServeUntil([&] { return probed; }));
  EXPECT_EQ(seenWhileReading, 0xffffb4u) << "capture colour while the screen is read";
  ASSERT_TRUE(ServeUntil([&] { return observer.Pixel(95, 95) == 0x00ff50u; })) << "idle colour after the grab";
  // Where the X server has the marker: Qt's own record of a window's geometry can lag behind what
  // the window manager reported, and the user sees the server's.
  const std::string marker = std::to_string(cam.Marker->winId());
  const auto placedAt = [&](const QRect& bounds) {
    const testsupport::WindowGeometry g = testsupport::ClientOrigin(marker);
    return QRect(g.x, g.y, g.width, g.height) == bounds;
  };
  EXPECT_TRUE(ServeUntil([&] { return placedAt(QRect(92, 92, 216, 166)); })) << "moved onto the grabbed rectangle";

  // Following the region: the next grabs move the marker with the rectangle.
  cam.SetRect(QRect(300, 250, 120, 90));
  ASSERT_TRUE(ServeUntil([&] { return placedAt(QRect(292, 242, 136, 106)); }));
  EXPECT_TRUE(ServeUntil([&] {
    seenAfter = observer.Pixel(295, 245);
    return seenAfter == 0x00ff50u || seenAfter == 0xffffb4u;
  })) << "the moved brackets are painted; seen "
      << std::hex << seenAfter;

  cam.StopRecording();
  ASSERT_TRUE(ServeUntil([&] { return cam.Thread == nullptr; }));
  EXPECT_TRUE(cam.Marker->isHidden());
  EXPECT_GT(cam.frames, 2);
  EXPECT_TRUE(cam.framesRightSize);
}

TEST(ScreenCam, WithoutShowMarkerARecordingsGrabsLeaveTheMarkerAlone) {
  GrabbingCam cam;
  cam.ShowMarker = false;
  cam.FollowRegion = true;
  int paints = 0;
  PaintSpy spy(cam.Marker, [&] { ++paints; });
  cam.StartRecording(nullptr, "/tmp/x.avi");
  ASSERT_TRUE(ServeUntil([&] { return cam.frames >= 3; }));
  cam.StopRecording();
  ASSERT_TRUE(ServeUntil([&] { return cam.Thread == nullptr; }));
  EXPECT_EQ(paints, 0);
}

}  // namespace
