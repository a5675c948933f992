#pragma once
// The program's message boxes. Each is modal and may be asked for from any thread: a box asked
// for on another thread is shown on the UI thread while only the asking thread waits.
// With VORLIX_MESSAGE_LOG set, every box also appends "caption<TAB>text" to that file, so that a
// test can read what the user was shown. Where nobody can answer a box (the command line), a sink
// takes the messages instead.
#include <QString>
#include <functional>

class QWidget;

namespace platform {

enum class BoxIcon { None, Information, Warning, Error, Question };
enum class BoxAnswer { Ok, Yes, No };

// Caption = application title, text, one OK button, no icon.
void ShowPlainMessage(const QString& text, QWidget* owner = nullptr);
// The general error handler's box: application title, the text with a full stop added when it
// has none, an error icon.
void ShowErrorMessage(const QString& text);
// Any other box with one OK button. `reason`, the system's words for the cause, is not shown in
// the box; a sink gets it.
void ShowMessage(const QString& caption, const QString& text, BoxIcon icon, QWidget* owner = nullptr,
                 const QString& reason = {});
// A box with Yes and No. `reason` as for ShowMessage.
BoxAnswer AskYesNo(const QString& caption, const QString& text, BoxIcon icon, QWidget* owner = nullptr,
                   const QString& reason = {});

struct Message {
  QString caption, text;
  BoxIcon icon = BoxIcon::None;
  bool question = false;  // Yes or No
  QString reason;         // may be empty
};
// Takes every message in place of a box, on the asking thread (any thread), and answers it.
using MessageSink = std::function<BoxAnswer(const Message& message)>;

// While it lives, every message goes to `sink` instead of the screen. One at a time.
class ScopedMessageSink {
 public:
  explicit ScopedMessageSink(MessageSink sink);
  ~ScopedMessageSink();
  ScopedMessageSink(const ScopedMessageSink&) = delete;
  ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;
};

}  // namespace platform
