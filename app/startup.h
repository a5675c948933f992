#pragma once

// Creates the four windows in their fixed order (main window, options dialog, region window,
// About box), the secondary ones hidden, and shows the main window.
void CreateWindows();
// Destroys them, the main window last.
void DestroyWindows();
// Ends the program as its Exit command does: open dialogs are closed first, then the main
// window, which stops a recording and waits for its file. Safe to call more than once.
void CloseMainWindow();
