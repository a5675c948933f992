#pragma once
// vorlix --clipboard and --to-file: a running Vorlix window of this user and display takes the
// still as its hotkeys would; without one, the command takes it itself.
#include <optional>

#include "app/command_line.h"

namespace app {

// Asks the running window. Its exit status when a window answered (or when asking went wrong
// after the request was out); nothing when no window listens and the command must take the
// still itself.
std::optional<int> AskRunningWindow(const CommandLine& command);

// Without a window: a still of the whole screen to the clipboard. Returns 0 once the still is
// offered and 1 when it could not be; a process of its own goes on offering it until another
// program takes the clipboard over, as the clipboard lives only as long as its owner.
int OfferStillOnClipboard(int argc, char** argv);

}  // namespace app
