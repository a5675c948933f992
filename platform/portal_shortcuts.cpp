#include "platform/portal_shortcuts.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QTimer>

#include "platform/portal_request.h"

namespace {

const QString kGlobalShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// One shortcut as the portal passes it: (id, properties).
struct PortalShortcut {
  QString id;
  QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
  argument.beginStructure();
  argument << shortcut.id << shortcut.properties;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
  argument.beginStructure();
  argument >> shortcut.id >> shortcut.properties;
  argument.endStructure();
  return argument;
}

}  // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace platform {

bool PortalShortcuts::Offered(QDBusConnection bus) {
  return bus.isConnected() && portal::Property(bus, kGlobalShortcuts, QStringLiteral("version")).has_value();
}

PortalShortcuts::PortalShortcuts(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(std::move(bus)) {
  qDBusRegisterMetaType<PortalShortcut>();
  qDBusRegisterMetaType<QList<PortalShortcut>>();
  // The slot's types must be known by name before the connection matches it to the signal's.
  qRegisterMetaType<QDBusObjectPath>();
  portal::ConnectSignal(bus_, portal::kPath, kGlobalShortcuts, QStringLiteral("Activated"), this,
                        SLOT(OnActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

PortalShortcuts::~PortalShortcuts() { portal::CloseSession(bus_, sessionPath_); }

QStringList PortalShortcuts::TakeWantedIds() {
  QStringList ids;
  for (const Wanted& w : wanted_) ids << w.id;
  wanted_.clear();
  return ids;
}

void PortalShortcuts::Bind(const QString& id, const QString& description, const QString& preferredTrigger) {
  wanted_.append(Wanted{id, description, preferredTrigger});
  if (!sessionAsked_) {
    sessionAsked_ = true;
    QString error;
    if (!portal::Ask(
            bus_, kGlobalShortcuts, QStringLiteral("CreateSession"), {},
            {{QStringLiteral("session_handle_token"), portal::NewToken()}}, this,
            [this](uint response, const QVariantMap& results) { OnSessionCreated(response, results); }, error)) {
      sessionAsked_ = false;
      emit NotBound(TakeWantedIds(), error);
    }
    return;  // bound once the session is there
  }
  if (!sessionPath_.isEmpty() && !bindScheduled_) {
    bindScheduled_ = true;
    QTimer::singleShot(0, this, [this] { BindWanted(); });
  }
}

void PortalShortcuts::OnSessionCreated(uint response, const QVariantMap& results) {
  sessionPath_ = response == portal::kResponseSuccess ? portal::SessionHandle(results) : QString();
  if (sessionPath_.isEmpty()) {
    sessionAsked_ = false;
    emit NotBound(TakeWantedIds(), QStringLiteral("the desktop opened no shortcut session"));
    return;
  }
  BindWanted();
}

void PortalShortcuts::BindWanted() {
  bindScheduled_ = false;
  if (wanted_.isEmpty()) return;
  QList<PortalShortcut> shortcuts;
  QStringList ids;
  for (const Wanted& w : wanted_) {
    shortcuts.append(PortalShortcut{w.id,
                                    {{QStringLiteral("description"), w.description},
                                     {QStringLiteral("preferred_trigger"), w.trigger}}});
    ids << w.id;
  }
  wanted_.clear();
  QString error;
  if (!portal::Ask(
          bus_, kGlobalShortcuts, QStringLiteral("BindShortcuts"),
          {QVariant::fromValue(QDBusObjectPath(sessionPath_)), QVariant::fromValue(shortcuts), QString()}, {}, this,
          [this, ids](uint response, const QVariantMap& results) { OnShortcutsBound(ids, response, results); }, error))
    emit NotBound(ids, error);
}

void PortalShortcuts::OnShortcutsBound(const QStringList& asked, uint response, const QVariantMap& results) {
  if (response != portal::kResponseSuccess) {
    emit NotBound(asked, response == portal::kResponseCancelled ? QStringLiteral("the shortcuts were refused")
                                                                : QStringLiteral("the desktop could not bind them"));
    return;
  }
  QStringList bound;
  const QVariant shortcuts = results.value(QStringLiteral("shortcuts"));
  if (shortcuts.canConvert<QDBusArgument>()) {
    QList<PortalShortcut> list;
    shortcuts.value<QDBusArgument>() >> list;
    for (const PortalShortcut& shortcut : list) bound << shortcut.id;
  }
  QStringList missing;
  for (const QString& id : asked) {
    if (bound.contains(id)) emit Bound(id);
    else missing << id;
  }
  if (!missing.isEmpty()) emit NotBound(missing, QStringLiteral("the desktop left them out"));
}

void PortalShortcuts::OnActivated(const QDBusObjectPath& session, const QString& id, qulonglong, const QVariantMap&) {
  if (!sessionPath_.isEmpty() && session.path() == sessionPath_) emit Activated(id);
}

}  // namespace platform
