#include "About.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

#include "platform/shell_open.h"
#include "vorlix_version.h"
#include "widgets/gradient.h"
#include "widgets/placement.h"
#include "windows/About_picture.h"

TAboutBox* AboutBox = nullptr;

namespace {

// A white panel with a lowered outer and a raised inner bevel, one pixel each.
class BevelPanel : public QFrame {
 public:
  explicit BevelPanel(QWidget* parent) : QFrame(parent) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const QColor light(Qt::white);
    const QColor shadow(128, 128, 128);
    p.fillRect(rect(), Qt::white);
    auto bevel = [&](const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
      p.setPen(topLeft);
      p.drawLine(r.topLeft(), r.topRight());
      p.drawLine(r.topLeft(), r.bottomLeft());
      p.setPen(bottomRight);
      p.drawLine(r.bottomLeft(), r.bottomRight());
      p.drawLine(r.topRight(), r.bottomRight());
    };
    bevel(rect(), shadow, light);
    bevel(rect().adjusted(1, 1, -1, -1), light, shadow);
  }
};

QLabel* TextLabel(const QString& text, QWidget* parent, int x, int y, int width = 0, int height = 0) {
  auto* label = new QLabel(text, parent);
  if (width > 0) {
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(x, y, width, height);
  } else {
    label->adjustSize();
    label->move(x, y);
  }
  return label;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  AboutBox = this;
  setWindowTitle("About");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(368, 213);
  QFont font("Sans Serif");
  font.setPixelSize(11);
  setFont(font);
  BuildControls();
}

TAboutBox::~TAboutBox() {
  if (AboutBox == this) AboutBox = nullptr;
}

void TAboutBox::BuildControls() {
  Panel1 = new BevelPanel(this);
  Panel1->setGeometry(8, 8, 353, 161);

  ProgramIcon = new QLabel(Panel1);
  ProgramIcon->setGeometry(8, 8, 141, 137);
  ProgramIcon->setScaledContents(true);
  ProgramIcon->setPixmap(QPixmap::fromImage(about::DrawProductPicture()));

  ProductName = TextLabel("Vorlix", Panel1, 160, 14);
  QFont bold = font();
  bold.setBold(true);
  ProductName->setFont(bold);
  ProductName->adjustSize();
  Version = TextLabel("Version " VORLIX_VERSION, Panel1, 160, 34);

  Label4 = TextLabel(QString("Vorlix project\n%1").arg(kProjectUrl), Panel1, 160, 54, 169, 26);
  Label4->setStyleSheet("color: blue; text-decoration: underline");
  Label4->setCursor(Qt::PointingHandCursor);
  Label4->installEventFilter(this);

  Copyright = TextLabel(QString::fromUtf8("\u00a9 The Vorlix project. All rights reserved."), Panel1, 160, 86, 129, 26);
  Comments = TextLabel("Stills and videos of your screen, quick and small.", Panel1, 160, 118, 163, 26);

  OKButton = new QPushButton("OK", this);
  OKButton->setGeometry(147, 180, 75, 25);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::Label4Click(QObject*) {
  platform::ShellOpen(kProjectUrl);  // a page that cannot be opened is not worth a message
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
  // A click is a left press and release on the link, like a button's.
  if (watched == Label4 && event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && Label4->rect().contains(mouse->position().toPoint())) {
      Label4Click(Label4);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TAboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  move(widgets::CentredIn(widgets::PrimaryMonitorArea(), frameGeometry().size()));
}

void TAboutBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  widgets::PaintWindowBackground(painter, rect());
}
