// The two still commands of the main window: to the clipboard and to a numbered file.
#include <QApplication>
#include <QClipboard>
#include <QLabel>

#include "app/ScreenUnit.h"
#include "app/still_files.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/x11_sync.h"
#include "windows/ScrUnit.h"

namespace {

// Ends every still the same way, also when a step throws: the main window comes back and the
// next still may start.
class StillScope {
 public:
  explicit StillScope(TScreenForm* form) : form_(form) { form_->StillInProgress = true; }
  ~StillScope() {
    ShowWindowAgain();
    form_->StillInProgress = false;
  }
  void ShowWindowAgain() {
    if (shown_) return;
    shown_ = true;
    form_->show();
    QApplication::processEvents();
  }

 private:
  TScreenForm* form_;
  bool shown_ = false;
};

}  // namespace

app::CaptureRectangle TScreenForm::RegionRectangle(const QWidget* regionWindow) const {
  const auto* region = static_cast<const TScrForm*>(regionWindow);
  const QPoint origin = region->ClientOrigin();
  const QSize size = region->ClientSize();
  return app::CaptureRectangle{origin.x(), origin.y() + TScrForm::kPanelHeight, origin.x() + size.width(),
                               origin.y() + size.height()};
}

app::StillImage TScreenForm::CaptureWholeScreen() { return app::CaptureRect(app::WholeScreenRectangle()); }

app::StillImage TScreenForm::CaptureRegion(const QWidget* regionWindow) {
  return app::CaptureRect(RegionRectangle(regionWindow));
}

void TScreenForm::HideForStill() {
  hide();
  platform::SyncWithServer();
  platform::SleepMs(kStillPauseMs);
  QApplication::processEvents();
}

bool TScreenForm::RunStill(const std::function<void()>& beforeHide,
                           const std::function<bool(app::StillImage&)>& deliver) {
  StillScope scope(this);
  try {
    beforeHide();
    HideForStill();
    const app::CaptureRectangle rect = RegionSelected ? RegionRectangle(ScrForm) : app::WholeScreenRectangle();
    if (!rect.HasPixels()) {
      platform::ShowPlainMessage("Nothing was captured: the capture area has no pixels.");
      return false;
    }
    app::StillImage image = app::CaptureRect(rect);
    return deliver(image);
  } catch (const std::exception& error) {
    // Shown while the still is in progress: a command or hotkey that the box's event loop serves
    // is then ignored instead of starting another still.
    scope.ShowWindowAgain();
    ShowError(error);
    return false;
  }
}

std::optional<QString> TScreenForm::SaveStillToFile() {
  std::optional<QString> saved;
  RunStill([] {},
           [this, &saved](app::StillImage& image) {
             const std::string written = app::SaveStill(ImageFileName.toStdString(), image);
             ImageFileName = QString::fromStdString(written);
             Label5->setText(ImageFileName);
             if (app::KindOfStillFile(written) == app::StillFileKind::Unsupported) {
               platform::ShowPlainMessage("Nothing was saved: \"" + ImageFileName +
                                          "\" is neither a .bmp nor a .jpg file.");
               return false;
             }
             saved = ImageFileName;
             return true;
           });
  return saved;
}

bool TScreenForm::CopyStill() {
  return RunStill([] { QApplication::clipboard()->clear(); },
                  [](app::StillImage& image) {
                    QApplication::clipboard()->setImage(app::ToQImage(image));
                    return true;
                  });
}

void TScreenForm::bt_ScreenshotClick(QObject*) { SaveStillToFile(); }

void TScreenForm::bt_CopyClick(QObject*) { CopyStill(); }
