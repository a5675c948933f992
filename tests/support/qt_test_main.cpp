// main() for tests that need a QApplication (widgets, clipboard, X connection).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "xcb");
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  QApplication application(argc, argv);
  application.setApplicationName("Vorlix");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
