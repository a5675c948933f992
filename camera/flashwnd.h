#pragma once
// TFlashingWnd: four corner brackets around the recorded rectangle, so the user sees what is
// recorded while the region window is hidden. One frameless, top-most window, shaped to the
// brackets and transparent for input, so everything between them stays visible and reachable.
#include <QWidget>
#include <cstdint>

// Colours as 0x00BBGGRR.
constexpr std::uint32_t CaptureColor = 0x00B4FFFF;  // light yellow, while a frame is grabbed
constexpr std::uint32_t IdleColor = 0x0050FF00;     // green, between grabs

struct TMarkedRect {
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;  // Right and Bottom inclusive
};

class TFlashingWnd : public QWidget {
 public:
  // Created hidden; `owner` (the main window) becomes the window it stays with.
  explicit TFlashingWnd(QWidget* owner);

  TMarkedRect MarkedRect;

  // Surrounds the rectangle: the window reaches 8 pixels beyond it on every side and is cut down
  // to the four brackets. Call on the UI thread.
  void FitToRect(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);
  // Fills the brackets with `color` (0x00BBGGRR) and waits until the X server shows them.
  void PaintBrackets(std::uint32_t color);

  // The bracket shape for a rectangle of width x height, in window coordinates.
  static QRegion BracketRegion(std::int32_t width, std::int32_t height);
  // Whether the brackets around the rectangle (left, top, width, height) cover any of `screen`.
  static bool BracketsMeet(const QRect& screen, std::int32_t left, std::int32_t top, std::int32_t width,
                           std::int32_t height);

 protected:
  // Only PaintBrackets colours the window: other repaints leave what it painted.
  void paintEvent(QPaintEvent* event) override;

 private:
  bool painting_ = false;
  QColor color_;
  // On a compositor, which may ignore the shape, the pixels off the brackets are transparent.
  bool translucent_ = false;
};
