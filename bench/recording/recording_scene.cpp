// The scene of the recording benchmark: a busy desktop (text, gradients) and a window moving
// over it at 50 steps a second.
//
//   recording_scene --write-desktop FILE   draws the desktop into FILE (for the root window)
//   recording_scene [--pause-file FILE]    shows the moving window; it stands still while FILE exists
#include <QApplication>
#include <QConicalGradient>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <cstdio>

namespace {

const char* const kWords[] = {"screen", "capture", "frame", "slot",   "region",  "codec",  "timer",   "marker",
                              "stream", "block",   "pixel", "window", "desktop", "record", "quality", "key"};

void DrawText(QPainter& p, const QRect& area, int seed, int pointSize, const QColor& colour) {
  QFont font("DejaVu Sans");
  font.setPointSize(pointSize);
  p.setFont(font);
  p.setPen(colour);
  const int lineHeight = QFontMetrics(font).height();
  int n = seed;
  for (int y = area.top() + lineHeight; y < area.bottom(); y += lineHeight) {
    QString line;
    while (line.size() < area.width() / (pointSize * 0.6)) {
      line += QString::fromLatin1(kWords[(n * 7 + 3) % 16]) + ' ';
      n = n * 1103515245 + 12345;
      n &= 0x7fffffff;
    }
    p.drawText(QRect(area.left(), y - lineHeight, area.width(), lineHeight), Qt::AlignLeft, line);
  }
}

void DrawPanel(QPainter& p, const QRect& r, int seed) {
  p.fillRect(r, QColor(250, 250, 248));
  QLinearGradient title(r.topLeft(), r.topRight());
  title.setColorAt(0, QColor(40, 70, 160));
  title.setColorAt(1, QColor(120, 170, 240));
  p.fillRect(QRect(r.left(), r.top(), r.width(), 26), title);
  p.setPen(Qt::white);
  p.drawText(QRect(r.left() + 8, r.top(), r.width(), 26), Qt::AlignVCenter, QString("Panel %1").arg(seed));
  DrawText(p, r.adjusted(8, 32, -8, -8), seed, 9 + seed % 3, QColor(20, 20, 30));
  p.setPen(QColor(90, 90, 90));
  p.drawRect(r.adjusted(0, 0, -1, -1));
}

QImage Desktop(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, width, height);
  sky.setColorAt(0, QColor(16, 60, 110));
  sky.setColorAt(0.5, QColor(90, 140, 180));
  sky.setColorAt(1, QColor(200, 120, 60));
  p.fillRect(image.rect(), sky);
  QRadialGradient sun(width * 0.8, height * 0.2, height * 0.35);
  sun.setColorAt(0, QColor(255, 240, 180, 220));
  sun.setColorAt(1, QColor(255, 240, 180, 0));
  p.fillRect(image.rect(), sun);
  QConicalGradient wheel(width * 0.15, height * 0.8, 0);
  for (int i = 0; i <= 6; ++i) wheel.setColorAt(i / 6.0, QColor::fromHsv((i * 60) % 360, 200, 230));
  p.setBrush(wheel);
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(width * 0.15, height * 0.8), height * 0.15, height * 0.15);
  // Icons down the left edge, panels of text over the rest: a full-HD layout, repeated over
  // larger desktops as many windows would fill them, each copy with other text.
  for (int tileY = 0; tileY * 1080 < height; ++tileY) {
    for (int tileX = 0; tileX * 1920 < width; ++tileX) {
      const int seed = 4 * (tileY * 4 + tileX);
      p.save();
      p.translate(tileX * 1920, tileY * 1080);
      for (int i = 0; i < 10; ++i) {
        QLinearGradient icon(0, 20 + i * 90, 0, 84 + i * 90);
        icon.setColorAt(0, QColor::fromHsv((i + seed) * 36 % 360, 180, 250));
        icon.setColorAt(1, QColor::fromHsv((i + seed) * 36 % 360, 255, 120));
        p.setBrush(icon);
        p.drawRoundedRect(QRectF(20, 20 + i * 90, 64, 64), 10, 10);
      }
      DrawPanel(p, QRect(140, 40, 760, 520), seed + 1);
      DrawPanel(p, QRect(960, 80, 880, 420), seed + 2);
      DrawPanel(p, QRect(520, 600, 900, 440), seed + 3);
      DrawText(p, QRect(1460, 560, 440, 500), seed + 4, 11, QColor(255, 255, 255));
      p.restore();
    }
  }
  return image;
}

class MovingWindow : public QWidget {
 public:
  MovingWindow(QString pauseFile) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), pauseFile_(pauseFile) {
    // A third of the screen's width, as on a full-HD desktop, whatever the desktop's size.
    const QSize screen = QGuiApplication::primaryScreen()->size();
    resize(screen.width() / 3, screen.width() * 7 / 32);
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&timer_, &QTimer::timeout, this, [this] { Step(); });
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.start(20);
    clock_.start();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    DrawPanel(p, rect(), 5);
  }

 private:
  void Step() {
    if (!pauseFile_.isEmpty() && QFileInfo::exists(pauseFile_)) return;
    t_ += 0.02;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const double x = (screen.width() - width()) * (0.5 + 0.5 * std::sin(t_ * 0.9));
    const double y = (screen.height() - height()) * (0.5 + 0.5 * std::sin(t_ * 1.3 + 1));
    move(static_cast<int>(x), static_cast<int>(y));
  }

  QString pauseFile_;
  QTimer timer_;
  QElapsedTimer clock_;
  double t_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  const int desktopAt = args.indexOf("--write-desktop");
  if (desktopAt >= 0 && desktopAt + 1 < args.size()) {
    const QSize size = QGuiApplication::primaryScreen()->size();
    return Desktop(size.width(), size.height()).save(args[desktopAt + 1]) ? 0 : 1;
  }
  const int pauseAt = args.indexOf("--pause-file");
  MovingWindow window(pauseAt >= 0 && pauseAt + 1 < args.size() ? args[pauseAt + 1] : QString());
  window.show();
  return app.exec();
}
