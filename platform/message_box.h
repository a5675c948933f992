#pragma once
// The program's message boxes. Each is modal and may be asked for from any thread: a box asked
// for on another thread is shown on the UI thread while only the asking thread waits.
// With VORLIX_MESSAGE_LOG set, every box also appends "caption<TAB>text" to that file, so that a
// test can read what the user was shown.
#include <QString>

class QWidget;

namespace platform {

enum class BoxIcon { None, Information, Warning, Error, Question };
enum class BoxAnswer { Ok, Yes, No };

// Caption = application title, text, one OK button, no icon.
void ShowPlainMessage(const QString& text, QWidget* owner = nullptr);
// The general error handler's box: application title, the text with a full stop added when it
// has none, an error icon.
void ShowErrorMessage(const QString& text);
// Any other box with one OK button.
void ShowMessage(const QString& caption, const QString& text, BoxIcon icon, QWidget* owner = nullptr);
// A box with Yes and No.
BoxAnswer AskYesNo(const QString& caption, const QString& text, BoxIcon icon, QWidget* owner = nullptr);

}  // namespace platform
