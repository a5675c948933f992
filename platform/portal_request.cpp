#include "platform/portal_request.h"

#include <unistd.h>

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QStringList>
#include <atomic>

namespace platform::portal {
namespace {

const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kResponse = QStringLiteral("Response");

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

// One request in flight: hears its Response from the portal once, then stops listening, so a
// late or repeated Response cannot move anything on. A child of the asker: given up with it.
class PendingRequest : public QObject {
  Q_OBJECT

 public:
  PendingRequest(const QDBusConnection& bus, QObject* owner, Answer onAnswer)
      : QObject(owner), bus_(bus), onAnswer_(std::move(onAnswer)) {}
  ~PendingRequest() override { StopListening(); }

  void Listen(const QString& path) {
    if (ConnectSignal(bus_, path, kRequest, kResponse, this, SLOT(OnResponse(uint, QVariantMap)))) paths_ << path;
  }

 private slots:
  void OnResponse(uint response, const QVariantMap& results) {
    // One answer only, even when a second was on its way before the match went.
    if (!onAnswer_) return;
    StopListening();
    const Answer answer = std::move(onAnswer_);
    onAnswer_ = nullptr;
    // The answer may end the asker, and it must not take this request along while it runs.
    setParent(nullptr);
    deleteLater();
    answer(response, results);
  }

 private:
  void StopListening() {
    for (const QString& path : paths_)
      bus_.disconnect(kService, path, kRequest, kResponse, this, SLOT(OnResponse(uint, QVariantMap)));
    paths_.clear();
  }

  QDBusConnection bus_;
  Answer onAnswer_;
  QStringList paths_;
};

}  // namespace

QString NewToken() {
  static std::atomic<int> counter{0};
  return QStringLiteral("vorlix%1_%2").arg(::getpid()).arg(++counter);
}

bool Ask(QDBusConnection& bus, const QString& interface, const QString& method, QVariantList arguments,
         QVariantMap options, QObject* owner, Answer onAnswer, QString& error) {
  const QString token = NewToken();
  options.insert(QStringLiteral("handle_token"), token);
  arguments << options;
  auto* request = new PendingRequest(bus, owner, std::move(onAnswer));
  const QString expected = RequestPath(bus, token);
  request->Listen(expected);
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, interface, method);
  call.setArguments(arguments);
  const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage) {
    delete request;
    error = Unanswered(reply);
    return false;
  }
  // Portals older than the request-path convention choose their own path.
  const QString handle = reply.arguments().value(0).value<QDBusObjectPath>().path();
  if (!handle.isEmpty() && handle != expected) request->Listen(handle);
  return true;
}

bool ConnectSignal(QDBusConnection& bus, const QString& path, const QString& interface, const QString& name,
                   QObject* receiver, const char* slot) {
  // Signals carry the sender's unique name; QtDBus matches them against the current owner of the
  // portal's name, so a process that merely sends the same signal is not heard.
  return bus.connect(kService, path, interface, name, receiver, slot);
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

#include "portal_request.moc"
