// The record command in the running program, with a camera whose recording thread notes what it
// was given and, after the stop, takes its time closing the file before it exists.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QSlider>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

#include "app/ScreenUnit.h"
#include "camera/scrcam.h"
#include "platform/clock.h"
#include "platform/topmost.h"
#include "tests/options/options_fixture.h"
#include "tests/support/modal_watcher.h"
#include "tests/windows/ui_wait.h"
#include "widgets/image_button.h"
#include "windows/ScrUnit.h"
#include "windows/optdlg.h"

namespace {

using windowstest::PumpUntil;

struct Attempt {
  int fps, intervalMs, quality, index;
  bool withCursor, followRegion, showMarker;
  QString file;
  QWidget* region;
};

class ObservingCam : public TScreenCam {
 public:
  explicit ObservingCam(QWidget* owner) : TScreenCam(owner) {}
  ~ObservingCam() override {
    StopRecording();
    WaitForThread();
  }

  std::int32_t RecordAVI(QWidget* region, const QString& file) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      attempts_.push_back({FramesPerSecond, FrameIntervalMs, Quality, CompressorIndex, WithCursor, FollowRegion,
                           ShowMarker, file, region});
    }
    if (failAtOnce) return 0;
    while (Recording) platform::SleepMs(2);
    platform::SleepMs(400);  // closing the file
    std::ofstream(file.toStdString()) << "video";
    FileFinished = !endNotWritten;
    return endNotWritten ? 0 : 1;
  }

  // The system refuses the thread for real: no stack of one byte can be had.
  bool StartRecordingThread(QThread& thread) override {
    if (threadFails) thread.setStackSize(1);
    return TScreenCam::StartRecordingThread(thread);
  }

  std::vector<Attempt> Attempts() {
    std::lock_guard<std::mutex> lock(mutex_);
    return attempts_;
  }
  std::atomic<bool> failAtOnce{false};
  std::atomic<bool> endNotWritten{false};
  std::atomic<bool> threadFails{false};  // the file is left, but its end could not be written

 private:
  std::mutex mutex_;
  std::vector<Attempt> attempts_;
};

class RecordCommand : public OptionsTest {
 protected:
  void SetUp() override {
    OptionsTest::SetUp();
    ScreenForm->ScreenCam.reset();
    cam_ = new ObservingCam(ScreenForm);
    cam_->ShowMarker = false;  // as the main window leaves it
    ScreenForm->ScreenCam.reset(cam_);
  }

  void ExpectSettingButtons(bool enabled) {
    EXPECT_EQ(ScreenForm->bt_Options->isEnabled(), enabled);
    EXPECT_EQ(ScreenForm->bt_Region->isEnabled(), enabled);
    EXPECT_EQ(ScreenForm->bt_SaveImg->isEnabled(), enabled);
    EXPECT_EQ(ScreenForm->bt_SaveVideo->isEnabled(), enabled);
    EXPECT_TRUE(ScreenForm->bt_Copy->isEnabled());
    EXPECT_TRUE(ScreenForm->bt_Screenshot->isEnabled());
    EXPECT_TRUE(ScreenForm->bt_Exit->isEnabled());
  }

  void ExpectReady(const QRect& regionBounds) {
    EXPECT_TRUE(ScreenForm->bt_Record->isEnabled());
    EXPECT_FALSE(ScreenForm->bt_Record->Pressed());
    EXPECT_EQ(ScreenForm->bt_Record->text(), "Record");
    ExpectSettingButtons(true);
    EXPECT_TRUE(ScrForm->isVisible());
    EXPECT_TRUE(ScrForm->BorderSizeable());
    EXPECT_EQ(ScrForm->geometry(), regionBounds);
    EXPECT_TRUE(ScreenForm->RegionSelected);
    EXPECT_FALSE(cam_->Recording);
    EXPECT_EQ(cam_->Thread, nullptr);
  }

  void ExpectRecording() {
    EXPECT_TRUE(ScreenForm->bt_Record->isEnabled());
    EXPECT_TRUE(ScreenForm->bt_Record->Pressed());
    EXPECT_EQ(ScreenForm->bt_Record->text(), "Stop");
    ExpectSettingButtons(false);
    EXPECT_FALSE(ScrForm->isVisible());
    EXPECT_FALSE(ScrForm->BorderSizeable());
    EXPECT_TRUE(ScreenForm->RegionSelected);
  }

  // Presses Stop and returns the message boxes it showed.
  QStringList Stop() {
    testsupport::ModalWatcher watcher;
    ScreenForm->bt_Record->click();
    return watcher.Seen();
  }

  QString Created(const std::string& name) const {
    return "Vorlix\tFile '" + QString::fromStdString(OutputFolder() + name) + "' created.";
  }

  ObservingCam* cam_ = nullptr;
};

TEST_F(RecordCommand, FirstRecordingTakesTheDialogsInitialControlsAndStopReportsTheClosedFile) {
  // Camera values that the command must overwrite.
  cam_->Quality = 1234;
  cam_->FramesPerSecond = 33;
  cam_->FrameIntervalMs = 3;
  cam_->CompressorIndex = 7;
  cam_->WithCursor = false;
  cam_->FollowRegion = false;
  ShowRegion();
  const QRect regionBounds = ScrForm->geometry();

  ScreenForm->bt_Record->click();
  EXPECT_EQ(cam_->Quality, 5000);
  EXPECT_EQ(cam_->FramesPerSecond, 11);
  EXPECT_EQ(cam_->FrameIntervalMs, 91);
  EXPECT_EQ(cam_->CompressorIndex, -1);
  EXPECT_TRUE(cam_->WithCursor);
  EXPECT_TRUE(cam_->FollowRegion);
  EXPECT_TRUE(cam_->ShowMarker);
  ExpectRecording();
  const QString file = QString::fromStdString(OutputFolder() + "My video.avi");
  EXPECT_EQ(ScreenForm->Label6->text(), file);

  ASSERT_TRUE(PumpUntil([&] { return cam_->Attempts().size() == 1; }));
  const Attempt a = cam_->Attempts().front();
  EXPECT_EQ(a.file, file);
  EXPECT_EQ(a.region, ScrForm);
  EXPECT_EQ(a.quality, 5000);
  EXPECT_EQ(a.fps, 11);
  EXPECT_EQ(a.intervalMs, 91);
  EXPECT_EQ(a.index, -1);
  EXPECT_TRUE(a.withCursor && a.followRegion && a.showMarker);

  // The file appears only when the thread has closed it; the stop waits for that, serving events
  // under a busy cursor.
  int ticks = 0;
  bool busyCursor = false;
  QTimer ui;
  QObject::connect(&ui, &QTimer::timeout, [&] {
    ++ticks;
    const QCursor* cursor = QApplication::overrideCursor();
    busyCursor |= cursor && cursor->shape() == Qt::WaitCursor;
  });
  ui.start(10);
  EXPECT_EQ(Stop(), QStringList{Created("My video.avi")});
  EXPECT_GE(ticks, 2) << "the UI was served while the file was closed";
  EXPECT_TRUE(busyCursor) << "a busy cursor while the file is finished";
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "and the ordinary one afterwards";
  ExpectReady(regionBounds);
}

TEST_F(RecordCommand, RecordingsGoToTheNextFreeNames) {
  ShowRegion();
  const QRect regionBounds = ScrForm->geometry();
  const char* names[] = {"My video.avi", "001_My video.avi", "002_My video.avi"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    ScreenForm->bt_Record->click();
    const QString file = QString::fromStdString(OutputFolder() + name);
    EXPECT_EQ(ScreenForm->Label6->text(), file) << "shown before the recording runs";
    EXPECT_EQ(ScreenForm->VideoFileName, file);
    windowstest::Pump(100);
    EXPECT_EQ(Stop(), QStringList{Created(name)});
    ExpectReady(regionBounds);
  }
  ASSERT_EQ(cam_->Attempts().size(), 3u);
  EXPECT_EQ(cam_->Attempts()[2].file, QString::fromStdString(OutputFolder() + names[2]));
}

TEST_F(RecordCommand, StopAfterAFailedAttemptSaysTheFileCannotBeCreated) {
  cam_->failAtOnce = true;
  ShowRegion();
  const QRect regionBounds = ScrForm->geometry();
  ScreenForm->bt_Record->click();
  // The thread has ended on its own; the button waits for the user.
  ASSERT_TRUE(PumpUntil([&] { return cam_->Thread == nullptr && cam_->Attempts().size() == 1; }));
  windowstest::Pump(100);
  ExpectRecording();
  const QString expected = "Vorlix\tCannot create file '" + QString::fromStdString(OutputFolder() + "My video.avi") +
                           "'";
  EXPECT_EQ(Stop(), QStringList{expected});
  ExpectReady(regionBounds);
}

TEST_F(RecordCommand, ARecordingThreadThatCannotStartIsAnErrorAndLeavesTheWindowsReady) {
  ShowRegion();
  const QRect regionBounds = ScrForm->geometry();
  cam_->threadFails = true;
  {
    testsupport::ModalWatcher watcher;
    ScreenForm->bt_Record->click();
    EXPECT_EQ(watcher.Seen(), QStringList{"Error\tError Creating AVI file"});
  }
  ExpectReady(regionBounds);
  EXPECT_TRUE(cam_->Attempts().empty());

  // Nothing is left waiting: the next recording starts and stops as usual.
  cam_->threadFails = false;
  ScreenForm->bt_Record->click();
  ExpectRecording();
  ASSERT_TRUE(PumpUntil([&] { return cam_->Attempts().size() == 1; }));
  EXPECT_EQ(Stop(), QStringList{Created("My video.avi")}) << "the failed start left no file";
  ExpectReady(regionBounds);
}

TEST_F(RecordCommand, AFileWhoseEndCouldNotBeWrittenIsNotReportedAsCreated) {
  cam_->endNotWritten = true;
  ShowRegion();
  ScreenForm->bt_Record->click();
  windowstest::Pump(100);
  const std::string file = OutputFolder() + "My video.avi";
  EXPECT_EQ(Stop(), QStringList{"Vorlix\tCannot create file '" + QString::fromStdString(file) + "'"});
  EXPECT_TRUE(std::filesystem::exists(file)) << "what was recorded is left where it is";
}

TEST_F(RecordCommand, ACancelledDialogLeavesTheNextRecordingsSettingsAndTheNextOpeningResetsTheBars) {
  RunOptions(
      [] {
        OptionDlg->TrackBarPlayback->setValue(990);  // 50 fps
        OptionDlg->TrackBarQuality->setValue(80);
        OptionDlg->CheckBox1->setChecked(false);
        PressKey(OptionDlg->ComboBoxCompressor, Qt::Key_Down);
      },
      false);
  EXPECT_EQ(cam_->Quality, 6550);
  EXPECT_EQ(cam_->FramesPerSecond, 10);

  // The recording takes what the controls held before the dialog opened.
  ShowRegion();
  ScreenForm->bt_Record->click();
  EXPECT_EQ(cam_->Quality, 5000);
  EXPECT_EQ(cam_->FramesPerSecond, 11);
  EXPECT_EQ(cam_->FrameIntervalMs, 91);
  EXPECT_TRUE(cam_->WithCursor);
  EXPECT_EQ(cam_->CompressorIndex, -1) << "no compressor was ever chosen";
  Stop();

  // A recording after an OK, then a cancelled change: the OK's values.
  RunOptions(
      [] {
        OptionDlg->TrackBarPlayback->setValue(990);
        OptionDlg->TrackBarQuality->setValue(80);
        OptionDlg->CheckBox1->setChecked(false);
      },
      true);
  RunOptions(
      [] {
        OptionDlg->TrackBarPlayback->setValue(0);
        OptionDlg->CheckBox1->setChecked(true);
        PressKey(OptionDlg->ComboBoxCompressor, Qt::Key_Down);
      },
      false);
  ScreenForm->bt_Record->click();
  EXPECT_EQ(cam_->Quality, 8000);
  EXPECT_EQ(cam_->FramesPerSecond, 50);
  EXPECT_FALSE(cam_->WithCursor);
  EXPECT_EQ(cam_->CompressorIndex, 0) << "the line shown at the OK";
  Stop();

  // The camera now holds the last recording's values; opening takes the bars from there.
  OptionDlg->TrackBarPlayback->setValue(500);
  OptionDlg->TrackBarQuality->setValue(10);
  RunOptions(
      [] {
        EXPECT_EQ(OptionDlg->TrackBarPlayback->value(), 999);
        EXPECT_EQ(OptionDlg->TrackBarQuality->value(), 80);
        EXPECT_EQ(OptionDlg->labelFPSPlayback->text(), "50 fps");
      },
      false);
}

TEST_F(RecordCommand, WithoutARegionItOnlyAsksForOne) {
  ASSERT_FALSE(ScreenForm->RegionSelected);
  testsupport::ModalWatcher watcher;
  ScreenForm->bt_recordClick(ScreenForm->bt_Record);
  EXPECT_EQ(watcher.Seen(), QStringList{"Vorlix\tSelect the Screen Region, please!"});
  EXPECT_EQ(ScreenForm->bt_Record->text(), "Record");
  EXPECT_FALSE(cam_->Recording);
  EXPECT_EQ(cam_->Quality, 6550);
  EXPECT_EQ(ScreenForm->Label6->text(), QString::fromStdString(OutputFolder() + "My video.avi"));
  ExpectSettingButtons(true);
}

TEST_F(RecordCommand, StopUndoesOneTopMostSuspension) {
  ShowRegion();
  ScreenForm->bt_Record->click();
  platform::TopMostWindows& topMost = platform::TopMostWindows::Instance();
  topMost.Suspend();
  topMost.Suspend();
  const int before = topMost.SuspensionCount();
  Stop();
  EXPECT_EQ(topMost.SuspensionCount(), before - 1);
}

}  // namespace
