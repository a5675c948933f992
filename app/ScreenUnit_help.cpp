// The Help menu of the main window: the manual and the About box.
#include <QCoreApplication>

#include "app/ScreenUnit.h"
#include "app/manual_path.h"
#include "platform/message_box.h"
#include "platform/shell_open.h"
#include "windows/About.h"

void TScreenForm::Help1Click(QObject*) {
  const QString manual = app::ManualPath(QCoreApplication::applicationDirPath());
  // A missing or unreadable manual passes silently; only a desktop without a PDF viewer is worth a word.
  if (platform::ShellOpen(manual) == platform::shell_result::kNoAssociation) {
    platform::ShowMessage("Warning", "Sorry, but there is no PDF viewer installed on your system.",
                          platform::BoxIcon::Warning, this);
  }
}

void TScreenForm::About1Click(QObject*) { AboutBox->exec(); }
