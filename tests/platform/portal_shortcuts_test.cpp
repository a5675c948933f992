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
// BindShortcuts with `bindResponse`. Serves on a thread of its own, as the program's calls block.
class MockShortcutsPortal : public QDBusVirtualObject {
 public:
  explicit MockShortcutsPortal(uint bindResponse) : bindResponse_(bindResponse) {}

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
      }
      response = bindResponse_;
      if (response == 0) results.insert("shortcuts", QVariant::fromValue(asked));
    } else {
      return true;
    }
    QDBusMessage answer = QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response");
    answer << response << results;
    bus.send(answer);
    return true;
  }

  QList<Shortcut> Asked() {
    std::lock_guard<std::mutex> lock(mutex_);
    return asked_;
  }

  // The desktop saw the shortcut's keys.
  void Activate(const QString& id) {
    QString session;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      session = session_;
    }
    QDBusMessage activated = QDBusMessage::createSignal(kPath, kShortcuts, "Activated");
    activated << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong{1} << QVariantMap{};
    QDBusConnection(QStringLiteral("mock-portal")).send(activated);  // from the portal, as a desktop sends it
  }

 private:
  const uint bindResponse_;
  std::mutex mutex_;
  QString session_;
  QList<Shortcut> asked_;
};

// Runs the portal on its own thread with its own bus connection, under the portal's name.
class PortalThread : public QThread {
 public:
  explicit PortalThread(MockShortcutsPortal& portal) : portal_(portal) {}
  std::atomic<bool> ready{false};

 protected:
  void run() override {
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "mock-portal");
    if (bus.registerService(kService) && bus.registerVirtualObject(kPath, &portal_)) ready = true;
    exec();
    bus.unregisterObject(kPath);
    QDBusConnection::disconnectFromBus("mock-portal");
  }

 private:
  MockShortcutsPortal& portal_;
};

bool WaitServing(const std::function<bool()>& condition) {
  return testsupport::WaitUntil(
      [&] {
        QCoreApplication::processEvents();
        return condition();
      },
      testsupport::kPatience);
}

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
    portal.moveToThread(&thread);  // its calls are served there
    thread.start();
    const struct StopThread {
      PortalThread& thread;
      ~StopThread() {
        thread.quit();
        thread.wait();
      }
    } stop{thread};
    ASSERT_TRUE(testsupport::WaitUntil([&] { return thread.ready.load(); }, testsupport::kPatience));
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

}  // namespace
