#include "tests/options/options_fixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <cstdlib>
#include <filesystem>

#include "app/ScreenUnit.h"
#include "app/startup.h"
#include "tests/windows/ui_wait.h"
#include "widgets/image_button.h"
#include "windows/ScrUnit.h"
#include "windows/optdlg.h"

using windowstest::PumpUntil;

void OptionsTest::PressKey(QWidget* widget, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &release);
}

void OptionsTest::ShowRegion() {
  ScreenForm->bt_Region->click();
  ASSERT_TRUE(PumpUntil([] { return ScrForm->isVisible() && ScrForm->windowHandle()->isExposed(); }));
  windowstest::Pump(200);
}

void OptionsTest::WhenDialogOpens(const std::function<void()>& whileOpen, bool ok) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, whileOpen, ok] {
    if (QApplication::activeModalWidget() != OptionDlg || !OptionDlg->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    whileOpen();
    (ok ? OptionDlg->Button2 : OptionDlg->Button3)->click();
  });
  poll->start(20);
}

void OptionsTest::RunOptions(const std::function<void()>& whileOpen, bool ok) {
  WhenDialogOpens(whileOpen, ok);
  ScreenForm->bt_Options->click();
}
