#pragma once

namespace platform {

// Sends the UI connection's pending requests to the X server and waits until it has handled
// them, so that a window hidden just before is really off the screen.
void SyncWithServer();

}  // namespace platform
