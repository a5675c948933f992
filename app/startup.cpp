#include "startup.h"

#include "app/ScreenUnit.h"
#include "windows/About.h"
#include "windows/ScrUnit.h"
#include "windows/optdlg.h"

void CreateWindows() {
  ScreenForm = new TScreenForm();
  // Owned by the main window: no task-bar entries of their own, and gone with it.
  OptionDlg = new TOptionDlg(ScreenForm);
  ScrForm = new TScrForm(ScreenForm);
  AboutBox = new TAboutBox(ScreenForm);
  ScreenForm->show();
}

void DestroyWindows() {
  delete ScreenForm;
  ScreenForm = nullptr;
  OptionDlg = nullptr;
  ScrForm = nullptr;
  AboutBox = nullptr;
}
