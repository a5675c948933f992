#pragma once
// SIGTERM, SIGINT and SIGHUP as ordinary events: the program ends the way its Exit command does
// (a recording is stopped and its file closed) instead of dying in the middle of a write.
#include <functional>

class QObject;

namespace platform {

// From now on each of the three signals runs `handler(signal)` on the thread of `context` (the
// UI thread), as an event; the signal handler itself only writes a byte to a pipe. A later call
// replaces the handler. False when the pipe could not be made.
bool OnTerminationSignal(QObject* context, std::function<void(int)> handler);

}  // namespace platform
