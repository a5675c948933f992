// Closing the main window during a recording: the recording is stopped and its thread waited for,
// with the UI live, before the camera goes.
#include <gtest/gtest.h>

#include <QTimer>
#include <atomic>

#include "app/ScreenUnit.h"
#include "camera/scrcam.h"
#include "platform/clock.h"
#include "tests/camera/camera_test_util.h"

namespace {

// Records until stopped, then takes its time closing the file.
class SlowClosingCam : public TScreenCam {
 public:
  explicit SlowClosingCam(QWidget* owner) : TScreenCam(owner) {}
  ~SlowClosingCam() override {
    StopRecording();
    WaitForThread();
  }
  std::int32_t RecordAVI(QWidget*, const QString&) override {
    ++started;
    while (Recording) platform::SleepMs(2);
    platform::SleepMs(300);
    ++closed;
    return 1;
  }
  std::atomic<int> started{0}, closed{0};
};

TEST(MainWindow, ClosingDuringARecordingWaitsForTheThread) {
  auto* form = new TScreenForm();
  form->ScreenCam.reset();
  auto* cam = new SlowClosingCam(form);
  form->ScreenCam.reset(cam);
  form->show();
  cam->StartRecording(nullptr, "/tmp/x.avi");
  ASSERT_TRUE(cameratest::ServeUntil([&] { return cam->started == 1; }));

  int ticks = 0;
  QTimer ui;
  QObject::connect(&ui, &QTimer::timeout, [&] { ++ticks; });
  ui.start(10);
  form->close();
  EXPECT_EQ(cam->closed, 1) << "the file was closed before the close went on";
  EXPECT_EQ(cam->Thread, nullptr);
  EXPECT_FALSE(cam->Recording);
  EXPECT_GT(ticks, 5) << "the UI was served during the wait";
  delete form;
}

}  // namespace
