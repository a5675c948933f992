#include "bench/msvc1/screen_scene.h"

#include <cstring>
#include <random>

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

namespace {

const char* const kWords[] = {"screen", "capture", "region", "frame",   "record", "options", "quality", "codec",
                              "window", "cursor",  "still",  "desktop", "bitmap", "timer",   "slot",    "file"};

QString Sentence(std::mt19937& random, int words) {
  QString text;
  for (int i = 0; i < words; ++i) text += QString::fromLatin1(kWords[random() % 16]) + QLatin1Char(' ');
  return text;
}

void DrawTextPanel(QPainter& p, const QRect& area, const QFont& font, QColor ink, unsigned seed) {
  std::mt19937 random(seed);
  p.setFont(font);
  p.setPen(ink);
  const int line = QFontMetrics(font).height() + 2;
  for (int y = area.top() + line; y < area.bottom(); y += line)
    p.drawText(area.left() + 4, y, Sentence(random, 4 + static_cast<int>(random() % 10)));
}

void DrawPhoto(QImage& image, const QRect& area) {
  std::mt19937 random(5);
  QPainter p(&image);
  QLinearGradient sky(area.topLeft(), area.bottomLeft());
  sky.setColorAt(0, QColor(90, 150, 220));
  sky.setColorAt(0.6, QColor(200, 220, 240));
  sky.setColorAt(1, QColor(60, 120, 40));
  p.fillRect(area, sky);
  for (int i = 0; i < 40; ++i) {
    const QPointF centre(area.left() + random() % area.width(), area.top() + random() % area.height());
    QRadialGradient blob(centre, 20 + random() % 80);
    blob.setColorAt(0, QColor(random() % 256, random() % 256, random() % 256, 200));
    blob.setColorAt(1, QColor(0, 0, 0, 0));
    p.setBrush(blob);
    p.setPen(Qt::NoPen);
    p.drawEllipse(centre, 100, 100);
  }
  p.end();
  // Sensor noise.
  for (int y = area.top(); y <= area.bottom(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = area.left(); x <= area.right(); ++x) {
      const int n = static_cast<int>(random() % 11) - 5;
      const QRgb c = row[x];
      row[x] = qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255), qBound(0, qBlue(c) + n, 255));
    }
  }
}

QImage DrawWindow(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter p(&image);
  p.fillRect(image.rect(), QColor(250, 250, 250));
  QLinearGradient title(0, 0, 0, 28);
  title.setColorAt(0, QColor(70, 110, 190));
  title.setColorAt(1, QColor(40, 70, 150));
  p.fillRect(0, 0, width, 28, title);
  p.setPen(Qt::white);
  p.setFont(QFont("DejaVu Sans", 10, QFont::Bold));
  p.drawText(10, 19, "Document - Editor");
  p.fillRect(0, 28, width, 30, QColor(230, 230, 235));
  for (int i = 0; i < 8; ++i) p.fillRect(8 + i * 34, 33, 24, 20, QColor(120 + i * 15, 140, 200 - i * 10));
  DrawTextPanel(p, QRect(0, 60, width - 20, height - 60), QFont("DejaVu Serif", 11), QColor(20, 20, 20), 9);
  p.fillRect(width - 16, 60, 16, height - 60, QColor(215, 215, 220));
  p.fillRect(width - 14, 90, 12, 80, QColor(160, 160, 170));
  p.setPen(QColor(30, 30, 60));
  p.drawRect(0, 0, width - 1, height - 1);
  return image;
}

}  // namespace

ScreenScene::ScreenScene(int width, int height) : desktop_(width, height, QImage::Format_RGB32) {
  QPainter p(&desktop_);
  QLinearGradient background(0, 0, width, height);
  background.setColorAt(0, QColor(20, 40, 90));
  background.setColorAt(1, QColor(90, 140, 180));
  p.fillRect(desktop_.rect(), background);
  // Icons with labels.
  QFont label("DejaVu Sans", 9);
  for (int i = 0; i < 9; ++i) {
    const int y = 20 + i * 100;
    QLinearGradient icon(0, y, 0, y + 48);
    icon.setColorAt(0, QColor::fromHsv(i * 40, 180, 240));
    icon.setColorAt(1, QColor::fromHsv(i * 40, 220, 150));
    p.fillRect(36, y, 48, 48, icon);
    p.setFont(label);
    p.setPen(Qt::white);
    p.drawText(QRect(10, y + 52, 100, 20), Qt::AlignCenter, QString::fromLatin1(kWords[i]) + ".txt");
  }
  // A terminal, a document and a photo viewer.
  p.fillRect(QRect(160, 60, 760, 520), QColor(30, 30, 30));
  DrawTextPanel(p, QRect(164, 64, 750, 510), QFont("DejaVu Sans Mono", 10), QColor(200, 230, 200), 1);
  p.fillRect(QRect(980, 40, 880, 560), QColor(255, 255, 255));
  DrawTextPanel(p, QRect(990, 50, 860, 540), QFont("DejaVu Sans", 10), QColor(0, 0, 0), 2);
  p.end();
  DrawPhoto(desktop_, QRect(1000, 640, 860, 380));
  QPainter bar(&desktop_);
  bar.fillRect(0, height - 40, width, 40, QColor(36, 36, 40));
  bar.setPen(QColor(230, 230, 230));
  bar.setFont(label);
  bar.drawText(12, height - 15, "Menu   Files   Terminal   Browser   Editor                    12:34");
  bar.end();
  window_ = DrawWindow(820, 560);
}

void ScreenScene::RenderFrame(int index, std::vector<std::uint8_t>& dib) const {
  QImage frame = desktop_.copy();
  {
    QPainter p(&frame);
    // 13 pixels right and 7 down per frame: off the 4-pixel grid, as a dragged window moves.
    p.drawImage(QPoint(200 + 13 * index, 150 + 7 * index), window_);
  }
  const int w = frame.width(), h = frame.height();
  dib.resize(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    std::memcpy(dib.data() + static_cast<std::size_t>(h - 1 - y) * w * 4, frame.constScanLine(y),
                static_cast<std::size_t>(w) * 4);
}
