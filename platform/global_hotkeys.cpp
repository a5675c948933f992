#include "global_hotkeys.h"

#include <QGuiApplication>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <memory>
#include <vector>

#include "xcb_reply.h"

namespace platform {
namespace {

xcb_connection_t* Connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

xcb_window_t Root(xcb_connection_t* c) { return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root; }

// Lock modifiers that must not stop a hotkey: none, Caps Lock, Num Lock, both.
const unsigned kLockVariants[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

}  // namespace

GlobalHotkeys::GlobalHotkeys(QObject* parent) : QObject(parent) {
  if (qGuiApp) qGuiApp->installNativeEventFilter(this);
}

GlobalHotkeys::~GlobalHotkeys() {
  std::vector<int> ids;
  for (const auto& entry : grabs_) ids.push_back(entry.first);
  for (int id : ids) Unregister(id);
  if (qGuiApp) qGuiApp->removeNativeEventFilter(this);
}

bool GlobalHotkeys::Register(int id, unsigned modifiers, unsigned keysym) {
  xcb_connection_t* c = Connection();
  if (!c || grabs_.count(id)) return false;
  const std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(xcb_key_symbols_alloc(c),
                                                                                    &xcb_key_symbols_free);
  const auto codes = Owned(xcb_key_symbols_get_keycode(symbols.get(), keysym));
  const unsigned keycode = (codes && codes.get()[0] != XCB_NO_SYMBOL) ? codes.get()[0] : 0;
  if (keycode == 0) return false;

  const xcb_window_t root = Root(c);
  std::vector<xcb_void_cookie_t> cookies;
  for (unsigned lock : kLockVariants) {
    cookies.push_back(xcb_grab_key_checked(c, 1, root, static_cast<uint16_t>(modifiers | lock),
                                           static_cast<xcb_keycode_t>(keycode), XCB_GRAB_MODE_ASYNC,
                                           XCB_GRAB_MODE_ASYNC));
  }
  bool ok = true;
  for (xcb_void_cookie_t cookie : cookies) {
    if (Owned(xcb_request_check(c, cookie))) ok = false;
  }
  if (!ok) {
    // Drop the variants we did get: a half-registered hotkey would steal keys it does not serve.
    for (unsigned lock : kLockVariants) {
      xcb_ungrab_key(c, static_cast<xcb_keycode_t>(keycode), root, static_cast<uint16_t>(modifiers | lock));
    }
    xcb_flush(c);
    return false;
  }
  grabs_[id] = Grab{keycode, modifiers};
  return true;
}

void GlobalHotkeys::Unregister(int id) {
  auto it = grabs_.find(id);
  if (it == grabs_.end()) return;
  if (xcb_connection_t* c = Connection()) {
    for (unsigned lock : kLockVariants) {
      xcb_ungrab_key(c, static_cast<xcb_keycode_t>(it->second.keycode), Root(c),
                     static_cast<uint16_t>(it->second.modifiers | lock));
    }
    xcb_flush(c);
  }
  grabs_.erase(it);
}

bool GlobalHotkeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t" || grabs_.empty()) return false;
  auto* event = static_cast<xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_KEY_PRESS) return false;
  auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
  const unsigned state = key->state & 0xffu & ~unsigned(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2);
  for (const auto& [id, grab] : grabs_) {
    if (key->detail == grab.keycode && state == grab.modifiers) {
      emit HotKey(id);
      return true;
    }
  }
  return false;
}

}  // namespace platform
