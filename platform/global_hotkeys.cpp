#include "global_hotkeys.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <memory>
#include <vector>

#include "platform/portal_shortcuts.h"
#include "platform/screen_source.h"
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
  if (IsWaylandSession() && PortalShortcuts::Offered(QDBusConnection::sessionBus())) {
    portal_ = new PortalShortcuts(QDBusConnection::sessionBus(), this);
    connect(portal_, &PortalShortcuts::Bound, this, &GlobalHotkeys::OnPortalBound);
    connect(portal_, &PortalShortcuts::Activated, this, &GlobalHotkeys::OnPortalActivated);
  }
}

GlobalHotkeys::~GlobalHotkeys() {
  std::vector<int> ids;
  for (const auto& entry : grabs_) ids.push_back(entry.first);
  for (int id : ids) Unregister(id);
  if (qGuiApp) qGuiApp->removeNativeEventFilter(this);
}

namespace {

// The key that now makes `keysym`; 0 when no key does.
unsigned KeycodeOf(xcb_connection_t* c, unsigned keysym) {
  const std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(xcb_key_symbols_alloc(c),
                                                                                    &xcb_key_symbols_free);
  const auto codes = Owned(xcb_key_symbols_get_keycode(symbols.get(), keysym));
  return (codes && codes.get()[0] != XCB_NO_SYMBOL) ? codes.get()[0] : 0;
}

void Ungrab(xcb_connection_t* c, unsigned keycode, unsigned modifiers) {
  for (unsigned lock : kLockVariants) {
    xcb_ungrab_key(c, static_cast<xcb_keycode_t>(keycode), Root(c), static_cast<uint16_t>(modifiers | lock));
  }
  xcb_flush(c);
}

// Grabs every lock variant, or none of them: a half-registered hotkey would steal keys it does not serve.
bool GrabAllVariants(xcb_connection_t* c, unsigned keycode, unsigned modifiers) {
  std::vector<xcb_void_cookie_t> cookies;
  for (unsigned lock : kLockVariants) {
    cookies.push_back(xcb_grab_key_checked(c, 1, Root(c), static_cast<uint16_t>(modifiers | lock),
                                           static_cast<xcb_keycode_t>(keycode), XCB_GRAB_MODE_ASYNC,
                                           XCB_GRAB_MODE_ASYNC));
  }
  bool ok = true;
  for (xcb_void_cookie_t cookie : cookies) {
    if (Owned(xcb_request_check(c, cookie))) ok = false;
  }
  if (!ok) Ungrab(c, keycode, modifiers);
  return ok;
}

// The portal's names for our hotkeys, and their keys in its notation.
QString ShortcutName(int id) { return QStringLiteral("hotkey-%1").arg(id); }
int IdOfShortcut(const QString& name) { return name.mid(name.indexOf(QLatin1Char('-')) + 1).toInt(); }

QString TriggerName(unsigned modifiers, unsigned keysym) {
  QString trigger;
  if (modifiers & GlobalHotkeys::Control) trigger += QStringLiteral("CTRL+");
  if (modifiers & GlobalHotkeys::Shift) trigger += QStringLiteral("SHIFT+");
  constexpr unsigned kF1 = 0xffbe, kF35 = 0xffe0;  // XK_F1 .. XK_F35
  if (keysym >= kF1 && keysym <= kF35) return trigger + QStringLiteral("F%1").arg(keysym - kF1 + 1);
  if (keysym >= 0x20 && keysym < 0x7f) return trigger + QChar(static_cast<char16_t>(keysym)).toUpper();
  return trigger + QStringLiteral("0x%1").arg(keysym, 0, 16);
}

}  // namespace

bool GlobalHotkeys::Register(int id, unsigned modifiers, unsigned keysym, const QString& description) {
  xcb_connection_t* c = Connection();
  if (!c || grabs_.count(id)) return false;
  if (portalBound_.count(id)) {  // the desktop still has the keys from an earlier registration
    grabs_[id] = Grab{0, modifiers, keysym};
    return true;
  }
  const unsigned keycode = KeycodeOf(c, keysym);
  if (keycode == 0 || !GrabAllVariants(c, keycode, modifiers)) return false;
  grabs_[id] = Grab{keycode, modifiers, keysym};
  if (portal_) portal_->Bind(ShortcutName(id), description, TriggerName(modifiers, keysym));
  return true;
}

void GlobalHotkeys::OnPortalBound(const QString& shortcut) {
  const int id = IdOfShortcut(shortcut);
  portalBound_.insert(id);
  auto it = grabs_.find(id);
  if (it == grabs_.end() || it->second.keycode == 0) return;
  // One delivery per press: the grab would give the same keys again while our window is in front.
  if (xcb_connection_t* c = Connection()) Ungrab(c, it->second.keycode, it->second.modifiers);
  it->second.keycode = 0;
}

void GlobalHotkeys::OnPortalActivated(const QString& shortcut) {
  const int id = IdOfShortcut(shortcut);
  if (grabs_.count(id) && portalBound_.count(id)) emit HotKey(id);
}

void GlobalHotkeys::Unregister(int id) {
  auto it = grabs_.find(id);
  if (it == grabs_.end()) return;
  if (xcb_connection_t* c = Connection(); c && it->second.keycode != 0)
    Ungrab(c, it->second.keycode, it->second.modifiers);
  grabs_.erase(it);
}

void GlobalHotkeys::RegrabAfterKeymapChange() {
  xcb_connection_t* c = Connection();
  if (!c) return;
  for (auto& [id, grab] : grabs_) {
    if (portalBound_.count(id)) continue;  // the desktop's keys, not ours
    const unsigned keycode = KeycodeOf(c, grab.keysym);
    if (keycode == grab.keycode) continue;
    if (grab.keycode != 0) Ungrab(c, grab.keycode, grab.modifiers);
    // A key that cannot be had now stays unheld until the next change of the keymap.
    grab.keycode = (keycode != 0 && GrabAllVariants(c, keycode, grab.modifiers)) ? keycode : 0;
  }
}

bool GlobalHotkeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t" || grabs_.empty()) return false;
  auto* event = static_cast<xcb_generic_event_t*>(message);
  // A new keymap (another keyboard layout, a tool that injects keys) may move the keys to other
  // key codes; the grabs follow them. Qt takes the event too.
  if ((event->response_type & 0x7f) == XCB_MAPPING_NOTIFY) {
    if (reinterpret_cast<xcb_mapping_notify_event_t*>(event)->request == XCB_MAPPING_KEYBOARD)
      RegrabAfterKeymapChange();
    return false;
  }
  if ((event->response_type & 0x7f) != XCB_KEY_PRESS) return false;
  auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
  const unsigned state = key->state & 0xffu & ~unsigned(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2);
  for (const auto& [id, grab] : grabs_) {
    if (grab.keycode != 0 && key->detail == grab.keycode && state == grab.modifiers) {
      emit HotKey(id);
      return true;
    }
  }
  return false;
}

}  // namespace platform
