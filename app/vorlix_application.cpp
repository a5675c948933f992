#include "vorlix_application.h"

#include <QIcon>
#include <exception>

#include "platform/message_box.h"
#include "vorlix_version.h"

VorlixApplication::VorlixApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName("Vorlix");
  setApplicationVersion(VORLIX_VERSION);
  // The installed menu entry's name and icon, so that the desktop shows the windows as ours.
  setDesktopFileName("org.vorlix.Vorlix");
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/%1x%1.png").arg(size), QSize(size, size));
  }
  setWindowIcon(icon);
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
