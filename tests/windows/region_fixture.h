#pragma once
// The program's windows, created as start-up creates them, in a test process of their own.
#include <gtest/gtest.h>

#include <QPoint>
#include <string>

#include "tests/windows/program_windows_test.h"

class RegionWindowTest : public ProgramWindowsTest {
 protected:
  // Presses or releases the Region button as a click would.
  void ClickRegionButton();
  // Shows the region window through the Region button and waits until it is on the screen.
  void ShowRegion();
  // xdotool, then a moment for the program to see what it did.
  void Pointer(const std::string& arguments);
  // A point in the region window's coordinates, on the screen.
  QPoint OnScreen(int x, int y) const;
  std::string MessageLog() const;
};
