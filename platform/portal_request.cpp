#include "platform/portal_request.h"

#include <unistd.h>

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <atomic>

namespace platform::portal {
namespace {

const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

// The request object that answers a call made with `token`: its path is known before the call,
// so the answer cannot come before we listen.
QString RequestPath(const QDBusConnection& bus, const QString& token) {
  QString sender = bus.baseService().mid(1);
  sender.replace(QLatin1Char('.'), QLatin1Char('_'));
  return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

QString Unanswered(const QDBusMessage& reply) {
  if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
      reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
      reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface"))
    return QStringLiteral("the desktop has no such portal");
  return QStringLiteral("the desktop portal failed: ") + reply.errorMessage();
}

}  // namespace

QString NewToken() {
  static std::atomic<int> counter{0};
  return QStringLiteral("vorlix%1_%2").arg(::getpid()).arg(++counter);
}

bool Ask(QDBusConnection& bus, const QString& interface, const QString& method, QVariantList arguments,
         QVariantMap options, QObject* receiver, const char* responseSlot, QString& error) {
  const QString token = NewToken();
  options.insert(QStringLiteral("handle_token"), token);
  arguments << options;
  const QString expected = RequestPath(bus, token);
  bus.connect(QString(), expected, kRequest, QStringLiteral("Response"), receiver, responseSlot);
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, interface, method);
  call.setArguments(arguments);
  const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage) {
    bus.disconnect(QString(), expected, kRequest, QStringLiteral("Response"), receiver, responseSlot);
    error = Unanswered(reply);
    return false;
  }
  // Portals older than the request-path convention choose their own path.
  const QString handle = reply.arguments().value(0).value<QDBusObjectPath>().path();
  if (!handle.isEmpty() && handle != expected)
    bus.connect(QString(), handle, kRequest, QStringLiteral("Response"), receiver, responseSlot);
  return true;
}

std::optional<QVariant> Property(QDBusConnection& bus, const QString& interface, const QString& name) {
  QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                    QStringLiteral("Get"));
  get << interface << name;
  const QDBusMessage reply = bus.call(get, QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
  return reply.arguments().at(0).value<QDBusVariant>().variant();
}

QString SessionHandle(const QVariantMap& results) {
  const QVariant handle = results.value(QStringLiteral("session_handle"));
  return handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path() : handle.toString();
}

void CloseSession(QDBusConnection& bus, const QString& sessionPath) {
  if (sessionPath.isEmpty()) return;
  bus.call(QDBusMessage::createMethodCall(kService, sessionPath, kSession, QStringLiteral("Close")), QDBus::NoBlock);
}

}  // namespace platform::portal
