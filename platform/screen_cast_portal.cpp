#include "platform/screen_cast_portal.h"

#include "platform/portal_request.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <future>
#include <memory>
#include <mutex>

namespace platform {
namespace {

const QString kScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");
constexpr uint kSourceMonitors = 1;
constexpr uint kCursorHidden = 1;

// The thread on which the session bus's answers are taken, for the program's whole run: the
// callers (the UI thread, the recording thread) only wait for the result.
QObject* PortalThreadAnchor() {
  static QObject* anchor = [] {
    auto* thread = new QThread;  // lives to the end of the process
    thread->setObjectName(QStringLiteral("vorlix-portal"));
    thread->start();
    auto* object = new QObject;
    object->moveToThread(thread);
    return object;
  }();
  return anchor;
}

// Reads the (ii) pairs the portal gives for a stream's position and size.
bool ReadPair(const QVariant& value, int& first, int& second) {
  if (!value.canConvert<QDBusArgument>()) return false;
  const QDBusArgument argument = value.value<QDBusArgument>();
  argument.beginStructure();
  argument >> first >> second;
  argument.endStructure();
  return true;
}

// The streams of Start's answer: a(ua{sv}).
std::vector<ScreenCastStream> ParseStreams(const QVariant& value) {
  std::vector<ScreenCastStream> streams;
  if (!value.canConvert<QDBusArgument>()) return streams;
  const QDBusArgument argument = value.value<QDBusArgument>();
  argument.beginArray();
  while (!argument.atEnd()) {
    ScreenCastStream stream;
    QVariantMap properties;
    argument.beginStructure();
    argument >> stream.nodeId >> properties;
    argument.endStructure();
    if (ReadPair(properties.value(QStringLiteral("size")), stream.width, stream.height) && stream.width > 0 &&
        stream.height > 0) {
      stream.hasArea = true;
      // Some portals leave out the position of a desktop's only monitor.
      if (!ReadPair(properties.value(QStringLiteral("position")), stream.x, stream.y)) stream.x = stream.y = 0;
    }
    streams.push_back(stream);
  }
  argument.endArray();
  return streams;
}

// Where the caller waits; the handshake may finish after the caller has given up.
struct Waiter {
  std::mutex mutex;
  bool settled = false;
  std::promise<ScreenCastOpening> promise;

  // False when the caller had given up (or an answer was given already).
  bool Settle(ScreenCastOpening opening) {
    std::lock_guard<std::mutex> lock(mutex);
    if (settled) return false;
    settled = true;
    promise.set_value(std::move(opening));
    return true;
  }
};

// The portal's steps in order, on the portal thread: CreateSession, SelectSources, Start, each
// answered by a Response signal on a request object, then OpenPipeWireRemote. It stays to hear
// the session's end.
class ScreenCastHandshake : public QObject {
  Q_OBJECT

 public:
  ScreenCastHandshake(std::shared_ptr<Waiter> waiter, std::function<void()> onClosed)
      : bus_(QDBusConnection::sessionBus()), waiter_(std::move(waiter)), onClosed_(std::move(onClosed)) {}

  ~ScreenCastHandshake() override { portal::CloseSession(bus_, sessionPath_); }

  void Begin() {
    if (!bus_.isConnected()) return Fail(QStringLiteral("there is no session bus"));
    step_ = Step::CreateSession;
    Ask(QStringLiteral("CreateSession"), {}, {{QStringLiteral("session_handle_token"), portal::NewToken()}});
  }

 private:
  // The answer to the step in progress; each request is answered once.
  void OnResponse(uint response, const QVariantMap& results) {
    if (response == portal::kResponseCancelled) return Fail(QStringLiteral("the screen cast was refused"));
    if (response != portal::kResponseSuccess) return Fail(QStringLiteral("the desktop could not start a screen cast"));
    switch (step_) {
      case Step::CreateSession: {
        sessionPath_ = portal::SessionHandle(results);
        if (sessionPath_.isEmpty()) return Fail(QStringLiteral("the portal gave no session"));
        portal::ConnectSignal(bus_, sessionPath_, portal::kSession, QStringLiteral("Closed"), this,
                              SLOT(OnSessionClosed(QVariantMap)));
        QVariantMap options{{QStringLiteral("types"), kSourceMonitors}, {QStringLiteral("multiple"), true}};
        if (CursorModes() & kCursorHidden) options.insert(QStringLiteral("cursor_mode"), kCursorHidden);
        step_ = Step::SelectSources;
        return Ask(QStringLiteral("SelectSources"), {QVariant::fromValue(QDBusObjectPath(sessionPath_))}, options);
      }
      case Step::SelectSources:
        step_ = Step::Start;
        return Ask(QStringLiteral("Start"), {QVariant::fromValue(QDBusObjectPath(sessionPath_)), QString()}, {});
      case Step::Start: return Started(ParseStreams(results.value(QStringLiteral("streams"))));
      case Step::Done: return;
    }
  }

 private slots:
  void OnSessionClosed(const QVariantMap&) {
    sessionPath_.clear();  // nothing left to close
    if (step_ == Step::Done && onClosed_) onClosed_();
  }

 private:
  enum class Step { CreateSession, SelectSources, Start, Done };

  void Ask(const QString& method, QVariantList arguments, QVariantMap options) {
    QString error;
    if (!portal::Ask(
            bus_, kScreenCast, method, std::move(arguments), std::move(options), this,
            [this](uint response, const QVariantMap& results) { OnResponse(response, results); }, error))
      Fail(error);
  }

  static QString Unanswered(const QDBusMessage& reply) {
    if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown"))
      return QStringLiteral("the desktop has no screen-cast portal");
    return QStringLiteral("the screen-cast portal failed: ") + reply.errorMessage();
  }

  uint CursorModes() {
    return portal::Property(bus_, kScreenCast, QStringLiteral("AvailableCursorModes")).value_or(QVariant()).toUInt();
  }

  void Started(std::vector<ScreenCastStream> streams) {
    if (streams.empty()) return Fail(QStringLiteral("the screen cast has no monitor"));
    QDBusMessage open = QDBusMessage::createMethodCall(portal::kService, portal::kPath, kScreenCast,
                                                       QStringLiteral("OpenPipeWireRemote"));
    open << QVariant::fromValue(QDBusObjectPath(sessionPath_)) << QVariantMap{};
    const QDBusMessage reply = bus_.call(open, QDBus::Block, portal::kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return Fail(Unanswered(reply));
    // The descriptor in the message closes with it: keep a copy.
    const int fd =
        ::fcntl(reply.arguments().at(0).value<QDBusUnixFileDescriptor>().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return Fail(QStringLiteral("the portal gave no PipeWire connection"));
    step_ = Step::Done;
    if (!waiter_->Settle(ScreenCastOpening{ScreenCastSession{fd, std::move(streams)}, {}})) {
      ::close(fd);  // too late: the caller has gone on without it
      deleteLater();
    }
  }

  void Fail(const QString& why) {
    step_ = Step::Done;
    onClosed_ = nullptr;
    waiter_->Settle(ScreenCastOpening{std::nullopt, why.toStdString()});
    deleteLater();
  }

  QDBusConnection bus_;
  std::shared_ptr<Waiter> waiter_;
  std::function<void()> onClosed_;
  QString sessionPath_;
  Step step_ = Step::CreateSession;
};

// The session in use; replaced by the next one that is opened.
QPointer<ScreenCastHandshake> currentSession;

}  // namespace

ScreenCastOpening OpenScreenCast(std::chrono::milliseconds patience, std::function<void()> onClosed) {
  auto waiter = std::make_shared<Waiter>();
  std::future<ScreenCastOpening> answer = waiter->promise.get_future();
  QMetaObject::invokeMethod(
      PortalThreadAnchor(),
      [waiter, onClosed = std::move(onClosed)] {
        if (currentSession) currentSession->deleteLater();
        currentSession = new ScreenCastHandshake(waiter, onClosed);
        currentSession->Begin();
      },
      Qt::QueuedConnection);
  if (answer.wait_for(patience) == std::future_status::ready) return answer.get();
  if (waiter->Settle(ScreenCastOpening{std::nullopt, "the screen-cast portal did not answer"})) return answer.get();
  return answer.get();  // it answered just now
}

}  // namespace platform

#include "screen_cast_portal.moc"
