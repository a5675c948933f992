// A window of one colour, for tests on the Wayland desktop (run with QT_QPA_PLATFORM=wayland, it is a
// Wayland-native window, app id "colour_window"):
//   colour_window --colour #RRGGBB [--title NAME] [--size WxH] [--animate]
// Prints "shown NAME" once the compositor shows it. --animate flips the lowest bit of each channel
// about 30 times a second: the colour stays within 1 of the one asked for, yet every pixel changes,
// and a screen cast sends frames only while the screen changes.
#include <QColor>
#include <QCommandLineParser>
#include <QExposeEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QTimer>
#include <cstdio>

namespace {

class ColourWindow : public QRasterWindow {
 public:
  explicit ColourWindow(QColor colour) : colour_(colour) {}
  void Animate() {
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] {
      odd_ = !odd_;
      update();
    });
    timer->start(33);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QColor colour = colour_;
    if (odd_) colour.setRgb(colour.red() ^ 1, colour.green() ^ 1, colour.blue() ^ 1);
    QPainter(this).fillRect(QRect(QPoint(0, 0), size()), colour);
  }
  void exposeEvent(QExposeEvent* event) override {
    QRasterWindow::exposeEvent(event);
    if (isExposed() && !shown_) {
      shown_ = true;
      std::printf("shown %s\n", qPrintable(title()));
      std::fflush(stdout);
    }
  }

 private:
  QColor colour_;
  bool odd_ = false;
  bool shown_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  // sway draws the frame; a frame drawn by Qt as well would make the surface more than the colour.
  qputenv("QT_WAYLAND_DISABLE_WINDOWDECORATION", "1");
  QGuiApplication application(argc, argv);
  QGuiApplication::setDesktopFileName("colour_window");
  QCommandLineParser parser;
  parser.addOption({"colour", "The window's colour, #RRGGBB.", "colour"});
  parser.addOption({"title", "The window's title.", "title", "colour_window"});
  parser.addOption({"size", "The window's size, WxH.", "size", "400x300"});
  parser.addOption({"animate", "Change the colour slightly about 30 times a second."});
  parser.process(application);

  const QColor colour(parser.value("colour"));
  const QStringList size = parser.value("size").split('x');
  if (!colour.isValid() || size.size() != 2 || size[0].toInt() <= 0 || size[1].toInt() <= 0) {
    std::fprintf(stderr, "colour_window: --colour #RRGGBB [--title NAME] [--size WxH] [--animate]\n");
    return 2;
  }
  ColourWindow window(colour);
  window.setTitle(parser.value("title"));
  window.resize(size[0].toInt(), size[1].toInt());
  if (parser.isSet("animate")) window.Animate();
  window.show();
  return application.exec();
}
