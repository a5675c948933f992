// Hotkeys through the desktop's GlobalShortcuts portal on a Wayland session, against a small portal
// of our own on the test's private session bus: what is asked for, who delivers the keys, and the
// key grab that stays where the desktop does not bind them.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QThread>
#include <atomic>
#include <mutex>

#include "platform/global_hotkeys.h"
#include "platform/portal_shortcuts.h"
#include "tests/support/hotkey_probe.h"
#include "tests/support/process.h"

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
constexpr unsigned kF1 = 0xffbe;

struct Shortcut {
  QString id;
  QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Shortcut& shortcut) {
  argument.beginStructure();
  argument << shortcut.id << shortcut.properties;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Shortcut& shortcut) {
  argument.beginStructure();
  argument >> shortcut.id >> shortcut.properties;
  argument.endStructure();
  return argument;
}

}  // namespace

Q_DECLARE_METATYPE(Shortcut)

namespace {

// The portal: CreateSession and BindShortcuts answered through request objects, as desktops do,
// BindShortcuts with `bindResponse`, or not at once where `holdBindAnswers` (the test answers).
// Serves on a thread of its own, as the program's calls block.
class MockShortcutsPortal : public QDBusVirtualObject {
 public:
  explicit MockShortcutsPortal(uint bindResponse, bool holdBindAnswers = false)
      : bindResponse_(bindResponse), holdBindAnswers_(holdBindAnswers) {}

  QString introspect(const QString&) const override { return {}; }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    QDBusConnection bus = connection;
    const QString sender = QString(message.service()).mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    if (message.interface() == QLatin1String("org.freedesktop.DBus.Properties")) {
      bus.send(message.createReply(QVariant::fromValue(QDBusVariant(1u))));
      return true;
    }
    if (message.interface() != kShortcuts) return false;
    const QVariant last = message.arguments().constLast();
    const QVariantMap options = last.canConvert<QDBusArgument>() ? qdbus_cast<QVariantMap>(last.value<QDBusArgument>())
                                                                 : last.toMap();
    const QString request =
        QStringLiteral("%1/request/%2/%3").arg(kPath, sender, options.value("handle_token").toString());
    bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
    QVariantMap results;
    uint response = 0;
    if (message.member() == QLatin1String("CreateSession")) {
      std::lock_guard<std::mutex> lock(mutex_);
      session_ =
          QStringLiteral("%1/session/%2/%3").arg(kPath, sender, options.value("session_handle_token").toString());
      results.insert("session_handle", session_);
    } else if (message.member() == QLatin1String("BindShortcuts")) {
      QList<Shortcut> asked;
      message.arguments().at(1).value<QDBusArgument>() >> asked;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        asked_ = asked;
        if (holdBindAnswers_) {
          heldRequests_ << request;
          return true;
        }
      }
      response = bindResponse_;
      if (response == 0) results.insert("shortcuts", QVariant::fromValue(asked));
    } else {
      return true;
    }
    bus.send(ResponseSignal(request, response, results));
    return true;
  }

  QList<Shortcut> Asked() {
    std::lock_guard<std::mutex> lock(mutex_);
    return asked_;
  }

  QString Session() {
    std::lock_guard<std::mutex> lock(mutex_);
    return session_;
  }

  // The BindShortcuts requests not answered yet, in order.
  QStringList HeldRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return heldRequests_;
  }

  // The desktop saw the shortcut's keys.
  void Activate(const QString& id) { Send(ActivatedSignal(Session(), id)); }

  // The desktop answers `request`.
  void Answer(const QString& request, uint response, const QVariantMap& results) {
    Send(ResponseSignal(request, response, results));
  }

  static QDBusMessage ActivatedSignal(const QString& session, const QString& id) {
    QDBusMessage activated = QDBusMessage::createSignal(kPath, kShortcuts, "Activated");
    activated << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong{1} << QVariantMap{};
    return activated;
  }

  static QDBusMessage ResponseSignal(const QString& request, uint response, const QVariantMap& results) {
    QDBusMessage answer = QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response");
    answer << response << results;
    return answer;
  }

 private:
  // From the portal's own connection, as a desktop sends it.
  static void Send(const QDBusMessage& signal) { QDBusConnection(QStringLiteral("mock-portal")).send(signal); }

  const uint bindResponse_;
  const bool holdBindAnswers_;
  std::mutex mutex_;
  QString session_;
  QList<Shortcut> asked_;
  QStringList heldRequests_;
};

// Serves the portal on a thread of its own with its own bus connection, under the portal's name,
// for as long as this lives.
class PortalThread : public QThread {
 public:
  explicit PortalThread(MockShortcutsPortal& portal) : portal_(portal) {
    portal.moveToThread(this);  // its calls are served there
    start();
  }
  ~PortalThread() override {
    quit();
    wait();
  }
  // Whether the portal came to serve under its name.
  bool Serving() {
    return testsupport::WaitUntil([&] { return ready_.load(); }, testsupport::kPatience);
  }

 protected:
  void run() override {
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "mock-portal");
    if (bus.registerService(kService) && bus.registerVirtualObject(kPath, &portal_)) ready_ = true;
    exec();
    bus.unregisterObject(kPath);
    QDBusConnection::disconnectFromBus("mock-portal");
  }

 private:
  MockShortcutsPortal& portal_;
  std::atomic<bool> ready_{false};
};

bool WaitServing(const std::function<bool()>& condition) {
  return testsupport::WaitUntil(
      [&] {
        QCoreApplication::processEvents();
        return condition();
      },
      testsupport::kPatience);
}

// Another process on the bus, which may send the portal's signals but is not the portal.
class Forger {
 public:
  Forger() : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "forger")) {}
  ~Forger() { QDBusConnection::disconnectFromBus("forger"); }

  // Once the bus has answered the call that follows, it has passed the signal on: whatever the
  // portal sends afterwards reaches the program after it.
  void Send(const QDBusMessage& signal) {
    bus_.send(signal);
    bus_.call(QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                             "GetId"));
  }

 private:
  QDBusConnection bus_;
};

struct Case {
  const char* name;
  uint bindResponse;  // 0 bound, 1 refused by the user
  bool portalDelivers;
};

TEST(PortalShortcuts, BoundKeysComeFromTheDesktopAndOthersStayGrabbed) {
  qputenv("XDG_SESSION_TYPE", "wayland");
  qDBusRegisterMetaType<Shortcut>();
  qDBusRegisterMetaType<QList<Shortcut>>();
  const Case cases[] = {{"bound", 0, true}, {"refused", 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MockShortcutsPortal portal(c.bindResponse);
    PortalThread thread(portal);
    ASSERT_TRUE(thread.Serving());
    {
      platform::GlobalHotkeys hotkeys;
      int delivered = 0;
      QObject::connect(&hotkeys, &platform::GlobalHotkeys::HotKey, [&](int id) { delivered += id == 7; });
      ASSERT_TRUE(hotkeys.Register(7, platform::GlobalHotkeys::Control | platform::GlobalHotkeys::Shift, kF1,
                                   "a still to the clipboard"));

      ASSERT_TRUE(WaitServing([&] { return !portal.Asked().isEmpty(); })) << "the portal was never asked";
      const Shortcut asked = portal.Asked().first();
      EXPECT_EQ(asked.id, "hotkey-7");
      EXPECT_EQ(asked.properties.value("preferred_trigger").toString(), "CTRL+SHIFT+F1");
      EXPECT_EQ(asked.properties.value("description").toString(), "a still to the clipboard");

      if (c.portalDelivers) {
        // The desktop has the keys: our grab goes, so that a press is not delivered twice.
        EXPECT_TRUE(WaitServing([] { return !testsupport::CtrlShiftFunctionKeyTaken(1); }));
        portal.Activate("hotkey-7");
        EXPECT_TRUE(WaitServing([&] { return delivered == 1; })) << "the desktop's activation was not delivered";
      } else {
        // Refused: the key grab stays, and serves while a window of ours is in front.
        for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
        EXPECT_TRUE(testsupport::CtrlShiftFunctionKeyTaken(1));
        testsupport::Run("xdotool key ctrl+shift+F1");
        EXPECT_TRUE(WaitServing([&] { return delivered >= 1; })) << "the grabbed key was not delivered";
      }
    }
  }
}

// Only the portal is heard: a Response or an Activated from anyone else on the bus does nothing,
// and a request, once answered, is not answered again.
TEST(PortalShortcuts, OnlyThePortalsAnswersAndKeysAreHeard) {
  qDBusRegisterMetaType<Shortcut>();
  qDBusRegisterMetaType<QList<Shortcut>>();
  MockShortcutsPortal portal(1, /*holdBindAnswers=*/true);
  PortalThread thread(portal);
  ASSERT_TRUE(thread.Serving());

  platform::PortalShortcuts shortcuts(QDBusConnection::sessionBus());
  QStringList heard;
  QObject::connect(&shortcuts, &platform::PortalShortcuts::Bound, [&](const QString& id) { heard << "bound " + id; });
  QObject::connect(&shortcuts, &platform::PortalShortcuts::NotBound, [&](const QStringList& ids, const QString&) {
    for (const QString& id : ids) heard << "not bound " + id;
  });
  QObject::connect(&shortcuts, &platform::PortalShortcuts::Activated,
                   [&](const QString& id) { heard << "activated " + id; });
  const auto bound = [](const QString& id) {
    return QVariantMap{{"shortcuts", QVariant::fromValue(QList<Shortcut>{{id, {}}})}};
  };
  // Everything sent before the portal's activation `id` has been heard once that has.
  const auto heardUpTo = [&](const QString& id) {
    portal.Activate(id);
    return WaitServing([&] { return heard.contains("activated " + id); });
  };
  Forger forger;

  shortcuts.Bind("first", "a first still", "CTRL+SHIFT+F1");
  ASSERT_TRUE(WaitServing([&] { return portal.HeldRequests().size() == 1; }));
  const QString first = portal.HeldRequests().at(0);
  forger.Send(MockShortcutsPortal::ResponseSignal(first, 0, bound("first")));
  forger.Send(MockShortcutsPortal::ActivatedSignal(portal.Session(), "forged"));
  portal.Answer(first, 1, {});
  ASSERT_TRUE(heardUpTo("real"));
  EXPECT_EQ(heard.join(", ").toStdString(), "not bound first, activated real");

  // The portal repeats its answer to the first request while the second waits for its own.
  heard.clear();
  shortcuts.Bind("second", "a second still", "CTRL+SHIFT+F2");
  ASSERT_TRUE(WaitServing([&] { return portal.HeldRequests().size() == 2; }));
  portal.Answer(first, 0, bound("second"));
  portal.Answer(portal.HeldRequests().at(1), 1, {});
  ASSERT_TRUE(heardUpTo("again"));
  EXPECT_EQ(heard.join(", ").toStdString(), "not bound second, activated again");
}

}  // namespace
