#pragma once
// Steps that other threads need run on the UI thread (message boxes, widgets).
#include <functional>

namespace platform {

// Runs `step` on the UI thread while the calling thread waits; on the UI thread, or without an
// application, at once; while the application is being destroyed, not at all. The step and its completion travel under
// a standard mutex, so the hand-over is plain to see for the thread checker too (Qt's blocking queued calls wait on
// futexes it cannot follow).
void RunOnUiThread(const std::function<void()>& step);

// Runs `step` on the UI thread after every step handed over before it, waited for or not, and
// returns at once; on the UI thread, or without an application, runs it at once; while the
// application is being destroyed, not at all. A step that throws is dropped: nobody is there to
// tell.
void PostToUiThread(std::function<void()> step);

}  // namespace platform
