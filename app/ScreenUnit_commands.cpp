// Commands from outside: vorlix --clipboard and --to-file reach the running main window through
// the command socket and run what the hotkeys run, so that a desktop which keeps the hotkeys
// from us can still bind keys to our stills.
#include "app/ScreenUnit.h"
#include "app/still_command_protocol.h"
#include "platform/command_channel.h"

void TScreenForm::ListenForStillCommands() {
  const std::string path = platform::CommandSocketPath();
  if (path.empty()) return;  // commands then take their stills themselves
  auto listener = std::make_unique<platform::CommandListener>();
  // Another window of ours serves this display already: it answers, as it holds the hotkeys.
  if (!listener->Listen(path, [this](const std::string& request) { return AnswerStillCommand(request); })) return;
  stillCommands_ = std::move(listener);
}

std::string TScreenForm::AnswerStillCommand(const std::string& request) {
  namespace command = app::still_command;
  int id = 0;
  if (request == command::kClipboard) id = kHotkeyCopy;
  else if (request == command::kToFile) id = kHotkeyFile;
  else return command::kUnknown;
  // As with the hotkeys, a still never nests in another.
  if (StillInProgress) return command::kBusy;
  lastStillTaken_ = false;
  RunCommand([this, id] { WMHotKey(id); });
  if (!lastStillTaken_) return command::kFailed;
  if (id == kHotkeyFile) return std::string(command::kTaken) + " " + ImageFileName.toStdString();
  return command::kTaken;
}
