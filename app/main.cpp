#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

#include "app/startup.h"
#include "app/vorlix_application.h"

namespace {

// Without a reachable X server Qt would abort with a long message; say it in one line instead.
bool DisplayReachable() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return false;
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  const bool ok = xcb_connection_has_error(c) == 0;
  xcb_disconnect(c);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (!DisplayReachable()) {
    std::fprintf(stderr, "vorlix: cannot open the X display (is DISPLAY set and the X server running?)\n");
    return 1;
  }
  // Geometry is in screen pixels: no scaling of any kind.
  qputenv("QT_QPA_PLATFORM", "xcb");
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  qunsetenv("QT_SCALE_FACTOR");
  qunsetenv("QT_SCREEN_SCALE_FACTORS");

  VorlixApplication application(argc, argv);
  application.setQuitOnLastWindowClosed(false);
  CreateWindows();
  const int result = application.exec();
  DestroyWindows();
  return result;
}
