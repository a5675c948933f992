#include "vorlix_application.h"

#include <exception>

#include "platform/message_box.h"
#include "vorlix_version.h"

VorlixApplication::VorlixApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Vorlix");
  setApplicationVersion(VORLIX_VERSION);
}

void VorlixApplication::UseScreenPixels() {
  qputenv("QT_QPA_PLATFORM", "xcb");
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  qunsetenv("QT_SCALE_FACTOR");
  qunsetenv("QT_SCREEN_SCALE_FACTORS");
}

bool VorlixApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    platform::ShowErrorMessage(QString::fromUtf8(error.what()));
  } catch (...) {
    platform::ShowErrorMessage("Unexpected error");
  }
  return false;
}
