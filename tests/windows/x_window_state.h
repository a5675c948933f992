#pragma once
// What the X server says about a window, read over a connection of the test's own.
#include <QRect>
#include <QRegion>
#include <string>

namespace windowstest {

// The window's bounding shape in its own coordinates (its whole rectangle when it has none).
QRegion BoundingShape(unsigned long window);
// The window's outer rectangle on the screen.
QRect ServerGeometry(unsigned long window);
// Whether the window's _NET_WM_STATE holds _NET_WM_STATE_ABOVE, as xprop reads it.
bool HasAboveState(unsigned long window);
// The shape a region window of outer size w x h must have: all but the inside of its frame.
QRegion ExpectedFrameShape(int w, int h);

}  // namespace windowstest
