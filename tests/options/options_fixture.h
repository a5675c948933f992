#pragma once
// The program's windows, created as start-up creates them, for tests of the options dialog and
// the record command in their own process.
#include <gtest/gtest.h>

#include <QWidget>
#include <functional>
#include <string>

#include "tests/options/qt_printers.h"
#include "tests/windows/program_windows_test.h"

class OptionsTest : public ProgramWindowsTest {
 protected:
  // Presses the Region button and waits until the region window is on the screen.
  void ShowRegion();
  // Runs `whileOpen` once the options dialog is up and modal, then presses OK or Cancel.
  // Call before the code that opens the dialog.
  static void WhenDialogOpens(const std::function<void()>& whileOpen, bool ok);
  // Opens the dialog as the Options button does (catalogue refreshed first) and closes it.
  static void RunOptions(const std::function<void()>& whileOpen, bool ok);
  // A key pressed and released on the widget, as the keyboard would.
  static void PressKey(QWidget* widget, Qt::Key key);
};
