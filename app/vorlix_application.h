#pragma once
#include <QApplication>

// The application object: an error that escapes a command is shown by the general error
// handler and the event loop goes on.
class VorlixApplication : public QApplication {
 public:
  VorlixApplication(int& argc, char** argv);
  // Call before constructing: geometry in screen pixels, no scaling of any kind, on X11.
  static void UseScreenPixels();
  bool notify(QObject* receiver, QEvent* event) override;
};
