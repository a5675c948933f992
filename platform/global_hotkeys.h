#pragma once
// System-wide key combinations, delivered as hotkey ids: X key grabs on the root window, which
// follow their keys when the keymap changes; on a Wayland session with a GlobalShortcuts portal the
// desktop's shortcuts, which reach the program whatever window is in front (the X grab serves until
// the desktop has bound them, and where it does not).
#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QString>
#include <map>
#include <set>

namespace platform {

class PortalShortcuts;

class GlobalHotkeys : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT
 public:
  enum Modifier : unsigned { Shift = 1, Control = 4 };  // X modifier bits

  explicit GlobalHotkeys(QObject* parent = nullptr);
  ~GlobalHotkeys() override;

  // Grabs `keysym` with exactly `modifiers` (also while Caps Lock or Num Lock is on).
  // Fails when the server refuses the grab, for example because another client holds it.
  // `description` tells the desktop's shortcut settings what the keys do.
  bool Register(int id, unsigned modifiers, unsigned keysym, const QString& description = QString());
  void Unregister(int id);
  bool IsRegistered(int id) const { return grabs_.count(id) != 0; }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 signals:
  void HotKey(int id);

 private:
  struct Grab {
    unsigned keycode;  // 0 while no key makes the keysym, or while the portal has the keys
    unsigned modifiers;
    unsigned keysym;
  };
  void RegrabAfterKeymapChange();
  void OnPortalBound(const QString& shortcut);
  void OnPortalActivated(const QString& shortcut);

  PortalShortcuts* portal_ = nullptr;  // a child; null where the desktop has no such portal
  std::set<int> portalBound_;          // the ids whose keys the portal delivers
  std::map<int, Grab> grabs_;
};

}  // namespace platform
