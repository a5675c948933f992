#pragma once
// System-wide key combinations: X key grabs on the root window, delivered as hotkey ids. The grabs
// follow their keys when the keymap changes.
#include <QAbstractNativeEventFilter>
#include <QObject>
#include <map>

namespace platform {

class GlobalHotkeys : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT
 public:
  enum Modifier : unsigned { Shift = 1, Control = 4 };  // X modifier bits

  explicit GlobalHotkeys(QObject* parent = nullptr);
  ~GlobalHotkeys() override;

  // Grabs `keysym` with exactly `modifiers` (also while Caps Lock or Num Lock is on).
  // Fails when the server refuses the grab, for example because another client holds it.
  bool Register(int id, unsigned modifiers, unsigned keysym);
  void Unregister(int id);
  bool IsRegistered(int id) const { return grabs_.count(id) != 0; }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 signals:
  void HotKey(int id);

 private:
  struct Grab {
    unsigned keycode;  // 0 while no key makes the keysym
    unsigned modifiers;
    unsigned keysym;
  };
  void RegrabAfterKeymapChange();
  std::map<int, Grab> grabs_;
};

}  // namespace platform
