#pragma once
// Global shortcuts through the desktop's GlobalShortcuts portal: on a Wayland session the desktop
// gives keys to X clients only while one of their windows is in front, and this is how a program
// gets keys whatever is in front. The desktop may ask the user to confirm or change the keys.
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QDBusObjectPath;

namespace platform {

class PortalShortcuts : public QObject {
  Q_OBJECT

 public:
  // Whether `bus` has a GlobalShortcuts portal. A round trip.
  static bool Offered(QDBusConnection bus);

  explicit PortalShortcuts(QDBusConnection bus, QObject* parent = nullptr);
  ~PortalShortcuts() override;

  // Asks for the shortcut `id`, with the keys preferred (the portal's notation, "CTRL+SHIFT+F1")
  // and a description for the desktop's settings. The shortcuts asked for in one turn of the event
  // loop are bound together, in a session opened for the first of them.
  void Bind(const QString& id, const QString& description, const QString& preferredTrigger);

 signals:
  // The desktop has bound the shortcut: its keys now come as Activated.
  void Bound(const QString& id);
  // The desktop did not bind the shortcuts asked for (refused, or failed).
  void NotBound(const QStringList& ids, const QString& why);
  void Activated(const QString& id);

 private slots:
  void OnActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp, const QVariantMap& options);

 private:
  struct Wanted {
    QString id, description, trigger;
  };
  void OnSessionCreated(uint response, const QVariantMap& results);
  void BindWanted();
  // The desktop's answer to binding `asked`.
  void OnShortcutsBound(const QStringList& asked, uint response, const QVariantMap& results);
  // The ids asked for and not yet sent, given up.
  QStringList TakeWantedIds();

  QDBusConnection bus_;
  QString sessionPath_;
  bool sessionAsked_ = false;
  bool bindScheduled_ = false;
  QList<Wanted> wanted_;  // asked for, not yet sent
};

}  // namespace platform
