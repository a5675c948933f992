// The region window: creation, showing, closing and the border style.
#include "ScrUnit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QShowEvent>
#include <QToolButton>
#include <algorithm>

#include "app/ScreenUnit.h"
#include "camera/scrcam.h"
#include "platform/compositing.h"
#include "platform/owned_window.h"
#include "platform/topmost.h"
#include "widgets/glyphs.h"
#include "widgets/image_button.h"
#include "widgets/placement.h"
#include "windows/ScrUnit_panel.h"

TScrForm* ScrForm = nullptr;

TScrForm::TScrForm(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  ScrForm = this;
  setWindowTitle("Screen capture Window");
  setAttribute(Qt::WA_QuitOnClose, false);
  translucent_ = platform::DesktopIsComposited();
  if (translucent_) setAttribute(Qt::WA_TranslucentBackground);  // before the native window exists
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setCursor(Qt::DragMoveCursor);
  setMouseTracking(true);  // the sizing pointers over the frame
  setMinimumSize(kFrameLeft + kIconWidth + kCloseButtonWidth + kFrameRight, kInsideTop + 1 + kFrameBottom);

  Panel1 = new TScrPanel(this);
  Image1 = new QLabel(Panel1);
  Image1->setAlignment(Qt::AlignCenter);
  Image1->installEventFilter(this);  // the icon takes its own presses: they start no drag
  LMDSpeedButton1 = new QToolButton(Panel1);
  LMDSpeedButton1->setAutoRaise(true);
  LMDSpeedButton1->setFocusPolicy(Qt::NoFocus);
  LMDSpeedButton1->setIcon(QIcon(widgets::DrawGlyph(widgets::Glyph::CloseCross)));
  LMDSpeedButton1->setIconSize(QSize(16, 16));
  LMDSpeedButton1->setCursor(Qt::ArrowCursor);
  connect(LMDSpeedButton1, &QToolButton::clicked, this, [this] { LMDSpeedButton1Click(); });

  resize(kFrameLeft + kInitialClientWidth + kFrameRight, kFrameTop + kInitialClientHeight + kFrameBottom);
  LayoutControls();

  connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { SessionEndQuery(); });
  platform::TopMostWindows::Instance().Register(this);
}

TScrForm::~TScrForm() {
  if (ScrForm == this) ScrForm = nullptr;
}

QRect TScrForm::ClientRect() const {
  if (!sizeable_) return rect();
  return QRect(kFrameLeft, kFrameTop, width() - kFrameLeft - kFrameRight, height() - kFrameTop - kFrameBottom);
}

// From the window's own geometry, not from the server: also right while the window is hidden.
QPoint TScrForm::ClientOrigin() const { return geometry().topLeft() + ClientRect().topLeft(); }

QSize TScrForm::ClientSize() const { return ClientRect().size(); }

void TScrForm::SetBorderSizeable(bool sizeable) {
  if (sizeable == sizeable_) return;
  sizeable_ = sizeable;
  LayoutControls();
  if (sizeable_) {
    FormResize();
  } else {
    clearMask();  // the whole window is client area now
    update();
  }
}

void TScrForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;  // mapped again by the window manager, not shown by the program
  FormShow();
  platform::KeepOffTaskBar(this);
  if (parentWidget()) {
    QMetaObject::invokeMethod(
        this, [this] { platform::SetOwner(this, parentWidget()); }, Qt::QueuedConnection);
  }
  if (!shownOnce_) {
    shownOnce_ = true;
    CentreOnDesktop();
  }
  // The window may appear without becoming active: cut it out before it is mapped.
  if (sizeable_) FormResize();
}

void TScrForm::FormShow() {
  Image1->setPixmap(ScreenForm->ImageListIcon(5));
  ScreenForm->RegionSelected = true;
  ScreenForm->bt_Record->setEnabled(true);
}

void TScrForm::CentreOnDesktop() { move(widgets::CentredIn(widgets::PrimaryMonitorArea(), size())); }

void TScrForm::LMDSpeedButton1Click() { close(); }

void TScrForm::closeEvent(QCloseEvent* event) {
  FormCloseQuery();
  event->accept();  // a secondary window only hides
  FormClose();
}

void TScrForm::FormCloseQuery() {
  ScreenForm->RegionSelected = false;
  if (ScreenForm->bt_Record->Pressed()) {
    // A recording is running: stop it the way the Stop button would, without its message.
    ScreenForm->bt_Record->SetPressed(false);
    ScreenForm->bt_Record->setText("Record");
    ScreenForm->bt_Record->setEnabled(false);
    ScreenForm->EndRecording();
    ScreenForm->EnableSettingButtons();
  }
  if (ScreenForm->bt_Region->Pressed()) {
    ScreenForm->bt_Region->SetPressed(false);
    ScreenForm->bt_Record->SetPressed(false);
    ScreenForm->bt_Record->setText("Record");
    ScreenForm->bt_Record->setEnabled(false);
  }
}

void TScrForm::SessionEndQuery() {
  // A shown window is not closing: clearing its selection would leave it on the screen with a
  // Record button that asks for a region.
  if (isVisible()) return;
  FormCloseQuery();
  // The session may end the program as soon as it has its answer: the file must be whole by then.
  ScreenForm->ScreenCam->WaitForThread();
}

bool TScrForm::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QWidget::event(event);
}

void TScrForm::FormActivate() { FormResize(); }
