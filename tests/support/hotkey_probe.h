#pragma once
// Whether another client holds a global hotkey, asked without ever holding it ourselves where the
// other could see: the probe's own grab lives only while the server serves nobody else.
#include <chrono>
#include <cstdint>

namespace testsupport {

// Ctrl+Shift+F<n> on the root window is grabbed by some client on $DISPLAY.
bool CtrlShiftFunctionKeyTaken(int n);
// Waits until both of the program's hotkeys, Ctrl+Shift+F1 and F2, are grabbed.
bool WaitForProgramHotkeys(std::chrono::milliseconds timeout);

}  // namespace testsupport
