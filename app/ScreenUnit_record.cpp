// The record command: Record starts a recording of the region into the next free video name,
// Stop ends it and says whether the file was written whole.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include "app/ScreenUnit.h"
#include "app/output_naming.h"
#include "camera/recording_settings.h"
#include "camera/scrcam.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/topmost.h"
#include "widgets/image_button.h"
#include "windows/ScrUnit.h"
#include "windows/optdlg.h"
#include "windows/optdlg_conversions.h"

void TScreenForm::bt_recordClick(QObject*) {
  if (!RegionSelected) {
    platform::ShowPlainMessage("Select the Screen Region, please!", this);
    return;
  }
  // The click has flipped the button already: pressed means start.
  if (bt_Record->Pressed()) StartRecordingCommand();
  else StopRecordingCommand();
}

void TScreenForm::StartRecordingCommand() {
  bt_Record->setText("Stop");
  DisableSettingButtons();
  // The dialog's controls are the settings' store, whether or not the dialog was ever opened.
  ScreenCam->WithCursor = OptionDlg->CheckBox1->isChecked();
  ScreenCam->FollowRegion = true;
  VideoFileName = QString::fromStdString(app::NextFreeName(VideoFileName.toStdString()));
  Label6->setText(VideoFileName);
  ScreenCam->CompressorIndex = OptionDlg->ComboBoxCompressor->currentIndex();
  ScreenCam->Quality =
      optdlg::QualityFromPosition(OptionDlg->TrackBarQuality->value(), OptionDlg->TrackBarQuality->maximum());
  const int framesPerSecond =
      optdlg::FpsFromPlaybackPosition(OptionDlg->TrackBarPlayback->value(), OptionDlg->TrackBarPlayback->maximum());
  ScreenCam->FramesPerSecond = framesPerSecond;
  ScreenCam->FrameIntervalMs = recording::FrameIntervalMsFromFps(framesPerSecond);
  ScrForm->SetBorderSizeable(false);
  ScrForm->hide();  // RegionSelected stays set: the region is being recorded
  ScreenCam->ShowMarker = true;
  // A repeat with the default compressor records into the next free name, so the frames of the
  // failed attempt keep their file; an attempt that failed before its first frame left no file,
  // and the repeat takes its name. The stop then reports the file written last.
  ScreenCam->RepeatFileName = [this](const QString& failedFile) {
    VideoFileName = QString::fromStdString(app::NextFreeName(failedFile.toStdString()));
    Label6->setText(VideoFileName);
    return VideoFileName;
  };
  if (!ScreenCam->StartRecording(ScrForm, VideoFileName)) {
    // Reported already: back to where the user can record again.
    bt_Record->SetPressed(false);
    bt_Record->setText("Record");
    EnableSettingButtons();
    ScrForm->SetBorderSizeable(true);
    ScrForm->show();
  }
}

void TScreenForm::EndRecording() {
  QApplication::processEvents();
  platform::SleepMs(kStopPauseMs);  // the recording goes on meanwhile
  platform::TopMostWindows::Instance().UndoOneSuspension();
  ScreenCam->StopRecording();
}

void TScreenForm::StopRecordingCommand() {
  bt_Record->setText("Record");
  EndRecording();
  // The file is complete only when the recording thread has closed it: wait for that, serving
  // the thread's hand-overs, before anything is shown or reported. Waiting here rather than just
  // before the report keeps the region window out of the last frames, and keeps the user from
  // starting, renaming or reconfiguring anything while the previous file is still open.
  bt_Record->setEnabled(false);
  {
    // Finishing a long recording's file takes a moment: show that the program is at work.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const struct RestoreCursor {
      ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
    } restoreCursor;
    ScreenCam->WaitForThread();
  }
  // The report is about this recording: a click waiting in the queue may start the next one in
  // the events served below, which takes a new name and clears FileFinished. A file whose end
  // could not be written is not reported as created, though it exists.
  const QString finishedFile = VideoFileName;
  const bool created = ScreenCam->FileFinished && platform::FileExists(finishedFile.toStdString());
  bt_Record->setEnabled(true);
  EnableSettingButtons();
  ScrForm->SetBorderSizeable(true);
  ScrForm->show();  // its FormShow sets RegionSelected and enables bt_Record
  QApplication::processEvents();
  if (created) {
    platform::ShowPlainMessage("File '" + finishedFile + "' created.", this);
  } else {
    platform::ShowPlainMessage("Cannot create file '" + finishedFile + "'", this);
  }
}
