#pragma once
// Waiting in tests that own widgets: the event loop keeps running while the X server and other
// clients (xdotool, the window manager) do their part.
#include <chrono>
#include <functional>

#include "tests/support/process.h"

namespace windowstest {

// Processes events for `ms` milliseconds.
void Pump(int ms);
// Processes events until `condition` holds or `ms` milliseconds pass; returns the condition.
bool PumpUntil(const std::function<bool()>& condition,
               int ms = std::chrono::milliseconds(testsupport::kPatience).count());

}  // namespace windowstest
