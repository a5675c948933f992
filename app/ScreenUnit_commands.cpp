// Commands from outside: vorlix --clipboard and --to-file reach the running main window through
// the command socket and run what the hotkeys run, so that a desktop which keeps the hotkeys
// from us can still bind keys to our stills.
#include <QTimer>

#include "app/ScreenUnit.h"
#include "app/still_command_protocol.h"
#include "platform/command_channel.h"

namespace {
// How often a window that could not take the socket tries again.
constexpr int kListenRetryMs = 1000;
}  // namespace

void TScreenForm::ListenForStillCommands() {
  const std::string path = platform::CommandSocketPath();
  if (path.empty()) return;  // commands then take their stills themselves
  if (ListenAt(path)) return;
  // Another window of ours may serve this display, or a command may be removing what an ended
  // window left at that moment: this window serves as soon as the socket is free.
  auto* retry = new QTimer(this);
  connect(retry, &QTimer::timeout, this, [this, retry, path] {
    if (ListenAt(path)) retry->deleteLater();
  });
  retry->start(kListenRetryMs);
}

bool TScreenForm::ListenAt(const std::string& path) {
  auto listener = std::make_unique<platform::CommandListener>();
  if (!listener->Listen(path, [this](const std::string& request) { return AnswerStillCommand(request); })) {
    return false;
  }
  stillCommands_ = std::move(listener);
  return true;
}

std::string TScreenForm::AnswerStillCommand(const std::string& request) {
  namespace command = app::still_command;
  const bool known = request == command::kClipboard || request == command::kToFile;
  if (!known) return command::kUnknown;
  // As with the hotkeys, a still never nests in another.
  if (StillInProgress) return command::kBusy;
  if (request == command::kClipboard) return CopyStill() ? command::kTaken : command::kFailed;
  // The name this still was written to: another still may have run since, inside a message box.
  const std::optional<QString> written = SaveStillToFile();
  if (!written) return command::kFailed;
  return std::string(command::kTaken) + " " + written->toStdString();
}
