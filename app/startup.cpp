#include "startup.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <memory>

#include "app/ScreenUnit.h"
#include "platform/topmost.h"
#include "windows/About.h"
#include "windows/ScrUnit.h"
#include "windows/optdlg.h"

namespace {

// The main window; the other windows are its children, and the global instances point at them.
std::unique_ptr<TScreenForm> mainWindow;

}  // namespace

void CreateWindows() {
  mainWindow = std::make_unique<TScreenForm>();
  ScreenForm = mainWindow.get();
  // Owned by the main window: no task-bar entries of their own, and gone with it.
  OptionDlg = new TOptionDlg(ScreenForm);
  ScrForm = new TScrForm(ScreenForm);
  AboutBox = new TAboutBox(ScreenForm);
  // Stay-on-top windows step back while another application is active or the program is minimised.
  platform::TopMostWindows::Instance().FollowApplicationState(ScreenForm);
  ScreenForm->show();
}

void DestroyWindows() {
  mainWindow.reset();
  ScreenForm = nullptr;
  OptionDlg = nullptr;
  ScrForm = nullptr;
  AboutBox = nullptr;
}

void CloseMainWindow() {
  if (QWidget* modal = QApplication::activeModalWidget()) {
    // A dialog's own event loop runs below this call: let it end first, then come back.
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    else modal->close();
    QTimer::singleShot(50, CloseMainWindow);
    return;
  }
  static bool closing = false;
  if (closing || !ScreenForm) return;
  closing = true;
  ScreenForm->close();
}
