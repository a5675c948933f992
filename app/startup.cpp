#include "startup.h"

#include "app/ScreenUnit.h"
#include "windows/About.h"
#include "windows/ScrUnit.h"
#include "windows/optdlg.h"

void CreateWindows() {
  new TScreenForm();
  // Owned by the main window: no task-bar entries of their own, and gone with it.
  new TOptionDlg(ScreenForm);
  new TScrForm(ScreenForm);
  new TAboutBox(ScreenForm);
  ScreenForm->show();
}

void DestroyWindows() { delete ScreenForm; }
