#include "tests/support/hotkey_probe.h"

#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <memory>

#include "tests/support/process.h"

namespace testsupport {

bool CtrlShiftFunctionKeyTaken(int n) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  const std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> owner(c, xcb_disconnect);
  if (xcb_connection_has_error(c)) return false;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
  xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, XK_F1 + (n - 1));
  xcb_key_symbols_free(symbols);
  if (!codes) return false;
  const xcb_keycode_t code = codes[0];
  std::free(codes);
  const std::uint16_t modifiers = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;
  // With the server ours, the program cannot ask for the key between our grab and its release.
  xcb_grab_server(c);
  xcb_generic_error_t* error =
      xcb_request_check(c, xcb_grab_key_checked(c, 0, root, modifiers, code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
  const bool taken = error && error->error_code == XCB_ACCESS;
  std::free(error);
  if (!taken) xcb_ungrab_key(c, code, root, modifiers);
  xcb_ungrab_server(c);
  // A round trip, so that the release is done before the connection goes.
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  return taken;
}

bool WaitForProgramHotkeys(std::chrono::milliseconds timeout) {
  return WaitUntil([] { return CtrlShiftFunctionKeyTaken(1) && CtrlShiftFunctionKeyTaken(2); }, timeout);
}

}  // namespace testsupport
