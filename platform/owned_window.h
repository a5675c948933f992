#pragma once
// A secondary top-level window that belongs to the program's main window: the window manager keeps
// it with its owner and task bars and pagers leave it out.
class QWidget;

namespace platform {

// Leaves the window out of task bars and pagers. Call before each show: the window manager drops
// the state of a window that is hidden.
void KeepOffTaskBar(QWidget* window);
// Tells the window manager that `window` belongs to `owner`. Call once the window is mapped (the
// toolkit clears the hint while it maps a plain top-level window).
void SetOwner(QWidget* window, QWidget* owner);

}  // namespace platform
