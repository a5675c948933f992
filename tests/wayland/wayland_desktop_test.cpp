// The headless Wayland desktop that scripts/with-wayland.sh gives each test case: a Wayland window
// reaches the screen over the background, X clients reach Xwayland, and the screen-cast portal
// starts a cast of the output.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <cstdint>
#include <optional>

#include "tests/support/image_probe.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/wayland/wayland_desktop.h"

namespace {

using testsupport::kPatience;

constexpr std::uint32_t kBackground = 0x3366cc;

TEST(WaylandDesktop, WaylandWindowShowsItsColourOverTheBackground) {
  const std::string folder = testsupport::MakeTempFolder("wayland-desktop");
  const std::string shownFile = folder + "/shown.txt";
  testsupport::ChildProcess window({"sh", "-c",
                                    "exec " + testsupport::ShellQuote(COLOUR_WINDOW) +
                                        " --colour '#ff8000' --title orange-window --size 300x200 > " +
                                        testsupport::ShellQuote(shownFile)},
                                   {{"QT_QPA_PLATFORM", "wayland"}});
  ASSERT_TRUE(testsupport::WaitUntil(
      [&] {
        QFile file(QString::fromStdString(shownFile));
        return file.open(QIODevice::ReadOnly) && file.readAll().startsWith("shown orange-window");
      },
      kPatience))
      << "the colour window did not say it was shown";

  // Where sway put the window's contents, and a screenshot that shows them drawn there.
  std::optional<waylandtest::Rect> content;
  testsupport::RgbImage screen;
  const bool drawn = testsupport::WaitUntil(
      [&] {
        content = waylandtest::WindowContent("orange-window");
        if (!content) return false;
        screen = waylandtest::Screenshot(folder + "/screen.png");
        return screen.width > 0 &&
               screen.At(content->x + content->width / 2, content->y + content->height / 2) == 0xff8000;
      },
      kPatience);
  ASSERT_TRUE(drawn) << "the window's colour never reached the screen";
  ASSERT_EQ(screen.width, 1920);
  ASSERT_EQ(screen.height, 1080);
  EXPECT_EQ(content->width, 300);
  EXPECT_EQ(content->height, 200);

  // Every pixel of the contents has the colour; the frame sway draws around them may take a few
  // pixels more; everything else is the background.
  const waylandtest::Rect frame = waylandtest::WindowFrame("orange-window").value_or(*content);
  long inside = 0, insideWrong = 0, outsideWrong = 0;
  for (int y = 0; y < screen.height; ++y) {
    for (int x = 0; x < screen.width; ++x) {
      const std::uint32_t pixel = screen.At(x, y);
      if (content->Contains(x, y)) {
        ++inside;
        if (pixel != 0xff8000) ++insideWrong;
      } else if (!frame.Contains(x, y) && pixel != kBackground) {
        ++outsideWrong;
      }
    }
  }
  EXPECT_EQ(inside, 300L * 200L);
  EXPECT_EQ(insideWrong, 0);
  EXPECT_EQ(outsideWrong, 0);
}

TEST(WaylandDesktop, XClientsReachXwayland) {
  const testsupport::CommandResult geometry = testsupport::Run("xdotool getdisplaygeometry");
  ASSERT_EQ(geometry.exitCode, 0);
  EXPECT_EQ(geometry.output, "1920 1080\n");
  // sway manages X windows too: it names itself as the X window manager.
  const testsupport::CommandResult manager = testsupport::Run("xprop -root _NET_SUPPORTING_WM_CHECK");
  ASSERT_EQ(manager.exitCode, 0);
  EXPECT_NE(manager.output.find("window id"), std::string::npos) << manager.output;
}

// Catches the Response signal of one portal request.
class RequestResponse : public QObject {
  Q_OBJECT
 public:
  std::optional<uint> code;
  QVariantMap results;
  QEventLoop loop;

 public slots:
  void Response(uint responseCode, const QVariantMap& responseResults) {
    code = responseCode;
    results = responseResults;
    loop.quit();
  }
};

// Calls a ScreenCast method whose answer comes as a Response signal on a request object, and waits for it.
struct PortalAnswer {
  std::optional<uint> code;
  QVariantMap results;
  QString error;
};
PortalAnswer CallScreenCast(const QString& method, QVariantList arguments, QVariantMap options, const QString& token) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  // The portal names the request object after our unique name and the token we give.
  const QString sender = bus.baseService().mid(1).replace('.', '_');
  const QString requestPath = "/org/freedesktop/portal/desktop/request/" + sender + "/" + token;
  RequestResponse response;
  bus.connect("org.freedesktop.portal.Desktop", requestPath, "org.freedesktop.portal.Request", "Response", &response,
              SLOT(Response(uint, QVariantMap)));
  options["handle_token"] = token;
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.portal.Desktop",
                                                     "/org/freedesktop/portal/desktop",
                                                     "org.freedesktop.portal.ScreenCast", method);
  arguments << options;
  call.setArguments(arguments);
  const QDBusMessage reply = bus.call(call, QDBus::Block, int(std::chrono::milliseconds(kPatience).count()));
  PortalAnswer answer;
  if (reply.type() != QDBusMessage::ReplyMessage) {
    answer.error = reply.errorName() + ": " + reply.errorMessage();
    return answer;
  }
  if (!response.code) {
    QTimer::singleShot(kPatience, &response.loop, &QEventLoop::quit);
    response.loop.exec();
  }
  answer.code = response.code;
  answer.results = response.results;
  return answer;
}

TEST(WaylandDesktop, ScreenCastPortalStartsACastOfTheOutput) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  ASSERT_TRUE(bus.isConnected()) << bus.lastError().message().toStdString();

  const PortalAnswer created =
      CallScreenCast("CreateSession", {}, {{"session_handle_token", "fixture_session"}}, "fixture_create");
  ASSERT_EQ(created.code, 0u) << created.error.toStdString();
  const QVariant handle = created.results.value("session_handle");
  const QDBusObjectPath session(handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                                     : handle.toString());
  ASSERT_FALSE(session.path().isEmpty());

  const PortalAnswer selected = CallScreenCast("SelectSources", {QVariant::fromValue(session)},
                                               {{"types", QVariant::fromValue(uint(1))}}, "fixture_select");
  ASSERT_EQ(selected.code, 0u) << selected.error.toStdString();

  const PortalAnswer started = CallScreenCast("Start", {QVariant::fromValue(session), QString()}, {}, "fixture_start");
  ASSERT_EQ(started.code, 0u) << started.error.toStdString();
  // streams: a(ua{sv}), the PipeWire node of each stream and what the portal says of it.
  const QDBusArgument streams = started.results.value("streams").value<QDBusArgument>();
  std::vector<std::pair<uint, QVariantMap>> nodes;
  streams.beginArray();
  while (!streams.atEnd()) {
    uint node = 0;
    QVariantMap properties;
    streams.beginStructure();
    streams >> node >> properties;
    streams.endStructure();
    nodes.emplace_back(node, properties);
  }
  streams.endArray();
  ASSERT_EQ(nodes.size(), 1u);
  EXPECT_GT(nodes[0].first, 0u);
  int width = 0, height = 0;
  const QDBusArgument size = nodes[0].second.value("size").value<QDBusArgument>();
  size.beginStructure();
  size >> width >> height;
  size.endStructure();
  EXPECT_EQ(width, 1920);
  EXPECT_EQ(height, 1080);

  // The way into PipeWire for that node.
  QDBusMessage open = QDBusMessage::createMethodCall("org.freedesktop.portal.Desktop",
                                                     "/org/freedesktop/portal/desktop",
                                                     "org.freedesktop.portal.ScreenCast", "OpenPipeWireRemote");
  open.setArguments({QVariant::fromValue(session), QVariantMap()});
  const QDBusMessage remote = bus.call(open, QDBus::Block, int(std::chrono::milliseconds(kPatience).count()));
  ASSERT_EQ(remote.type(), QDBusMessage::ReplyMessage) << remote.errorMessage().toStdString();
  EXPECT_TRUE(remote.arguments().value(0).value<QDBusUnixFileDescriptor>().isValid());
}

}  // namespace

#include "wayland_desktop_test.moc"
