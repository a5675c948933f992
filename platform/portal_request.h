#pragma once
// The desktop portals' way of answering (org.freedesktop.portal.Request): a method call returns at
// once with a request object, and the answer comes later, once the desktop (or the user) has
// decided, as that object's Response signal (uint response, a{sv} results).
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <optional>

namespace platform::portal {

inline const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString kSession = QStringLiteral("org.freedesktop.portal.Session");
constexpr uint kResponseSuccess = 0;
constexpr uint kResponseCancelled = 1;
// A method call is answered at once; only the Response signals wait for the user.
constexpr int kCallTimeoutMs = 10000;

// A token for the handle_token and session_handle_token options, unique in this process.
QString NewToken();

// The answer to a request: the Response's code (kResponseSuccess, ...) and results.
using Answer = std::function<void(uint response, const QVariantMap& results)>;

// Calls `method` of the portal `interface` with `arguments` and then `options` (which gets a
// handle_token). The portal's answer goes to `onAnswer`, once, on `owner`'s thread, which must be
// the caller's; the request is heard no more after it, nor once `owner` is gone (given up). Only
// the portal can answer: a Response from anyone else on the bus is not heard. Blocks until the
// call itself has returned. False, with `error` set for the user, when the call failed (then no
// answer comes).
bool Ask(QDBusConnection& bus, const QString& interface, const QString& method, QVariantList arguments,
         QVariantMap options, QObject* owner, Answer onAnswer, QString& error);

// Connects `receiver`'s `slot` to the signal `name` of `interface` at `path` as the portal sends
// it, and as no one else on the bus does. False when the bus refused the match.
bool ConnectSignal(QDBusConnection& bus, const QString& path, const QString& interface, const QString& name,
                   QObject* receiver, const char* slot);

// A property of the portal `interface` (its version, what it offers); nothing when the desktop
// has no such portal or does not answer.
std::optional<QVariant> Property(QDBusConnection& bus, const QString& interface, const QString& name);

// The session handle of a CreateSession answer; empty when there is none.
QString SessionHandle(const QVariantMap& results);

// Closes a portal session, without waiting.
void CloseSession(QDBusConnection& bus, const QString& sessionPath);

}  // namespace platform::portal
