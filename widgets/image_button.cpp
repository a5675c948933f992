#include "image_button.h"

#include <QMenu>
#include <QPainter>
#include <QStyle>

namespace widgets {
namespace {

QPixmap Greyed(const QPixmap& source) {
  QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int grey = 128 + qGray(line[x]) / 3;
      line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) / 2);
    }
  }
  return QPixmap::fromImage(image);
}

}  // namespace

ImageButton::ImageButton(const QString& caption, const QPixmap& glyph, const QColor& captionColor, QWidget* parent)
    : QAbstractButton(parent), glyph_(glyph), disabledGlyph_(Greyed(glyph)), captionColor_(captionColor) {
  setText(caption);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_Hover);
}

void ImageButton::SetDropDownMenu(QMenu* menu) {
  menu_ = menu;
  connect(this, &QAbstractButton::clicked, this, [this] {
    if (menu_) menu_->exec(mapToGlobal(QPoint(0, height())));
  });
}

QSize ImageButton::sizeHint() const { return QSize(50, 45); }

void ImageButton::enterEvent(QEnterEvent* event) {
  hot_ = true;
  update();
  QAbstractButton::enterEvent(event);
}

void ImageButton::leaveEvent(QEvent* event) {
  hot_ = false;
  update();
  QAbstractButton::leaveEvent(event);
}

void ImageButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect r = rect();
  const bool sunken = isDown() || isChecked();
  if (sunken || (hot_ && isEnabled())) {
    painter.fillRect(r.adjusted(1, 1, -1, -1), QColor(255, 255, 255, sunken ? 90 : 50));
    painter.setPen(sunken ? QColor(80, 80, 80) : Qt::white);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(sunken ? Qt::white : QColor(80, 80, 80));
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
  }
  const QPixmap& glyph = isEnabled() ? glyph_ : disabledGlyph_;
  const int shift = sunken ? 1 : 0;
  const bool hasCaption = !text().isEmpty();
  const int captionHeight = hasCaption ? fontMetrics().height() : 0;
  const int glyphTop = qMax(1, (r.height() - glyph.height() - captionHeight) / 2);
  if (!glyph.isNull()) {
    const int glyphLeft = hasCaption && r.width() > 60 ? 4 : (r.width() - glyph.width()) / 2;
    const int top = hasCaption && r.width() > 60 ? (r.height() - glyph.height()) / 2 : glyphTop;
    painter.drawPixmap(glyphLeft + shift, top + shift, glyph);
  }
  if (hasCaption) {
    painter.setPen(isEnabled() ? captionColor_ : QColor(140, 140, 140));
    QRect textRect = r.width() > 60 ? r.adjusted(glyph.width() + 4, 0, 0, 0)
                                    : QRect(0, glyphTop + glyph.height(), r.width(), captionHeight);
    painter.drawText(textRect.translated(shift, shift), Qt::AlignCenter, text());
  }
}

ButtonSeparator::ButtonSeparator(QWidget* parent) : QWidget(parent) { setFixedWidth(3); }

void ButtonSeparator::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(Qt::white);
  painter.drawLine(0, 2, 0, height() - 3);
  painter.setPen(QColor(160, 160, 160));
  painter.drawLine(1, 2, 1, height() - 3);
  painter.setPen(QColor(80, 80, 80));
  painter.drawLine(2, 2, 2, height() - 3);
}

}  // namespace widgets
