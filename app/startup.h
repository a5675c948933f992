#pragma once

// Creates the four windows in their fixed order (main window, options dialog, region window,
// About box), the secondary ones hidden, and shows the main window.
void CreateWindows();
// Destroys them, the main window last.
void DestroyWindows();
