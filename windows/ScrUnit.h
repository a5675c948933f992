#pragma once
// TScrForm: the see-through frame window that marks the capture region. It draws its own thin frame;
// everything inside the frame below the top strip is cut out of the window's shape, so what lies
// below stays visible and clickable.
#include <QRect>
#include <QWidget>

class QLabel;
class QToolButton;

class TScrForm : public QWidget {
  Q_OBJECT
 public:
  explicit TScrForm(QWidget* parent = nullptr);
  ~TScrForm() override;

  // Frame widths of the sizeable state: the client area lies inside them.
  static constexpr int kFrameLeft = 3, kFrameTop = 1, kFrameRight = 4, kFrameBottom = 3;
  static constexpr int kPanelHeight = 25;                        // the top strip; the region lies below it
  static constexpr int kIconWidth = 25, kCloseButtonWidth = 23;  // on the strip
  // The cut-out: the window's inside below the strip.
  static constexpr int kInsideTop = kFrameTop + kPanelHeight;
  static constexpr int kInitialClientWidth = 478, kInitialClientHeight = 344;

  // Screen position and size of the client area (the area inside the frame, strip included).
  QPoint ClientOrigin() const;
  QSize ClientSize() const;
  // Sizeable (drawn frame, resizable) or none (the client area is the whole window). The outer
  // bounds stay as they are.
  void SetBorderSizeable(bool sizeable);
  bool BorderSizeable() const { return sizeable_; }

  // Controls.
  QWidget* Panel1;
  QLabel* Image1;
  QToolButton* LMDSpeedButton1;

  // Handlers.
  void FormShow();
  void FormResize();
  void FormActivate();
  // Asked each time the window may close; always allows the close.
  void FormCloseQuery();
  // The session is ending (log-out, shut-down) and asks whether the program may quit. A running
  // recording is stopped and its file finished before the answer, as Exit does; a shown window
  // stays shown and selected, for the log-out may yet be cancelled.
  void SessionEndQuery();
  void FormClose() {}
  void LMDSpeedButton1Click();
  // X and Y are in Panel1's coordinates.
  void Panel1MouseDown(Qt::MouseButton button, int X, int Y);
  void Panel1MouseMove(int X, int Y);
  void Panel1MouseUp();

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The client area in window coordinates.
  QRect ClientRect() const;
  // What the frame leaves open, from below the strip to the frame.
  QRect InsideRect() const;
  void LayoutControls();
  void CentreOnDesktop();
  // Which edges of the frame lie under `pos` (window coordinates); none over the client area.
  Qt::Edges EdgesAt(const QPoint& pos) const;
  void ResizeBySelf(const QPoint& globalPos);

  bool sizeable_ = true;
  // On a compositor, which may ignore the shape, the inside is transparent too.
  bool translucent_ = false;
  bool shownOnce_ = false;
  // Drag by the top strip.
  bool Dragging = false;
  int GrabX = 0, GrabY = 0;
  // Resizing from the frame: by the window manager where it can, else by ourselves.
  Qt::Edges resizeEdges_;
  bool resizeByWindowManagerTried_ = false;
  QPoint resizeStart_;
  QRect resizeStartGeometry_;
};

extern TScrForm* ScrForm;
