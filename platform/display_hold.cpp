#include "platform/display_hold.h"

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace platform {

namespace {

constexpr int kAttempts = 40;
constexpr auto kBetweenAttempts = std::chrono::milliseconds(50);

}  // namespace

void DisplayHold::Disconnect::operator()(xcb_connection_t* c) const { xcb_disconnect(c); }

DisplayHold::DisplayHold() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::unique_ptr<xcb_connection_t, Disconnect> c(xcb_connect(nullptr, nullptr));
    const int error = xcb_connection_has_error(c.get());
    if (error == 0) {
      connection_ = std::move(c);
      return;
    }
    // A malformed display name will not get better; a refused connection may.
    if (error == XCB_CONN_CLOSED_PARSE_ERR || error == XCB_CONN_CLOSED_INVALID_SCREEN) return;
    std::this_thread::sleep_for(kBetweenAttempts);
  }
}

DisplayHold::~DisplayHold() = default;

}  // namespace platform
