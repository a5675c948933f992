#pragma once
// TScreenForm: the main window, the program's control panel.
#include <QMainWindow>
#include <QString>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/still_image.h"

class QLabel;
class QMenu;
class QAction;
class QFileDialog;
class TScreenCam;
namespace platform {
class GlobalHotkeys;
class CommandListener;
}  // namespace platform
namespace widgets {
class ImageButton;
}

class TScreenForm : public QWidget {
  Q_OBJECT
 public:
  explicit TScreenForm(QWidget* parent = nullptr);
  ~TScreenForm() override;

  // Hotkey ids.
  static constexpr int kHotkeyCopy = 1;
  static constexpr int kHotkeyFile = 2;
  // How long a still waits, with the main window hidden, for the windows below to repaint.
  static constexpr int kStillPauseMs = 250;
  // How long a stop lets the recording go on, so that what was on the screen at the click is in.
  static constexpr int kStopPauseMs = 250;

  // Controls.
  widgets::ImageButton* bt_Region;
  widgets::ImageButton* bt_Copy;
  widgets::ImageButton* bt_Screenshot;
  widgets::ImageButton* bt_Options;
  widgets::ImageButton* bt_Record;
  widgets::ImageButton* LMDSpeedButton4;
  widgets::ImageButton* bt_Exit;
  widgets::ImageButton* bt_SaveImg;
  widgets::ImageButton* bt_SaveVideo;
  QLabel* Label5;
  QLabel* Label6;
  QLabel* Label2;
  QMenu* PopupMenu1;
  QAction* Help1;
  QAction* About1;
  QFileDialog* SavePictureDialog1;
  QFileDialog* SaveDialog1;

  // State shared with the other windows.
  QString OutputFolder;
  QString ImageFileName;
  QString VideoFileName;
  bool RegionSelected = false;
  bool StillInProgress = false;
  std::unique_ptr<TScreenCam> ScreenCam;

  // The icons of ImageList1 (0: Help, 1: About, 5: the region window's icon).
  QPixmap ImageListIcon(int index) const;

  // The beginning of every stop: the recording runs on for a moment, the stay-on-top windows get
  // one suspension back, and the camera is told to stop (its file is complete when its thread ends).
  void EndRecording();
  void EnableSettingButtons();
  void DisableSettingButtons();

  // Handlers.
  void FormCreate();
  void FormDestroy();
  void WMHotKey(int id);
  // A command from outside (vorlix --clipboard / --to-file): runs what the hotkey runs and says
  // what came of it, in the command socket's words.
  std::string AnswerStillCommand(const std::string& request);
  void bt_RegionClick(QObject* sender);
  void bt_CopyClick(QObject* sender);
  void bt_ScreenshotClick(QObject* sender);
  void bt_OptionsClick(QObject* sender);
  void bt_recordClick(QObject* sender);
  void bt_ExitClick(QObject* sender);
  void bt_SaveImgClick(QObject* sender);
  void bt_SaveVideoClick(QObject* sender);
  void Help1Click(QObject* sender);
  void About1Click(QObject* sender);

  // Still capture.
  app::StillImage CaptureWholeScreen();
  app::StillImage CaptureRegion(const QWidget* regionWindow);
  app::CaptureRectangle RegionRectangle(const QWidget* regionWindow) const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void FormShow();
  void FormCloseQuery();
  void BuildControls();
  // Runs a command; an error that escapes it is shown by the general error handler.
  void RunCommand(const std::function<void()>& command);
  // Shows an error that escaped a command in the general error handler's box.
  static void ShowError(const std::exception& error);
  // The main window's part of every still: hidden from the grab to the end, shown again whatever fails,
  // and in progress until its failure has been shown. `deliver` says whether the still reached its
  // target; so does the result.
  bool RunStill(const std::function<void()>& beforeHide, const std::function<bool(app::StillImage&)>& deliver);
  // The two stills: to the clipboard (true when it is there), to the next free image file name (the
  // name written, none when nothing was).
  bool CopyStill();
  std::optional<QString> SaveStillToFile();
  void HideForStill();
  // The two halves of the record command.
  void StartRecordingCommand();
  void StopRecordingCommand();

  void ListenForStillCommands();
  bool ListenAt(const std::string& path);

  std::unique_ptr<platform::GlobalHotkeys> hotkeys_;
  std::unique_ptr<platform::CommandListener> stillCommands_;  // none when another window has the socket
  bool shownOnce_ = false;
};

extern TScreenForm* ScreenForm;
