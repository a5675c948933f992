#pragma once
// A flat button with a glyph above its caption. Checkable buttons are toggles that may all be up:
// a click flips the pressed state before `clicked` is emitted; setChecked() from code emits no click.
#include <QAbstractButton>
#include <QColor>
#include <QPixmap>

class QMenu;

namespace widgets {

class ImageButton : public QAbstractButton {
  Q_OBJECT
 public:
  ImageButton(const QString& caption, const QPixmap& glyph, const QColor& captionColor, QWidget* parent = nullptr);

  // A drop-down button: a click opens `menu` below the button.
  void SetDropDownMenu(QMenu* menu);
  bool Pressed() const { return isChecked(); }
  void SetPressed(bool pressed) { setChecked(pressed); }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;

 private:
  QPixmap glyph_;
  QPixmap disabledGlyph_;
  QColor captionColor_;
  QMenu* menu_ = nullptr;
  bool hot_ = false;
};

// The 3-pixel raised separator between groups of buttons.
class ButtonSeparator : public QWidget {
 public:
  explicit ButtonSeparator(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent*) override;
};

}  // namespace widgets
