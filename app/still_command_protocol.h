#pragma once
// What vorlix --clipboard and --to-file say to a running Vorlix window over the command socket,
// and what it answers: one line each way.
namespace app::still_command {

inline constexpr const char* kClipboard = "clipboard";  // what Ctrl+Shift+F1 runs
inline constexpr const char* kToFile = "to-file";       // what Ctrl+Shift+F2 runs

inline constexpr const char* kTaken = "taken";    // a still to a file adds " " and the file's name
inline constexpr const char* kBusy = "busy";      // another still was in progress: this one was ignored
inline constexpr const char* kFailed = "failed";  // the window told its user why
inline constexpr const char* kUnknown = "unknown";

}  // namespace app::still_command
