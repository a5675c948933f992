#include "ScreenUnit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QShowEvent>
#include <stdexcept>

#include "app/default_outputs.h"
#include "camera/scrcam.h"
#include "platform/command_channel.h"
#include "platform/file_system.h"
#include "platform/global_hotkeys.h"
#include "platform/message_box.h"
#include "widgets/glyphs.h"
#include "widgets/gradient.h"
#include "widgets/image_button.h"
#include "widgets/placement.h"
#include "windows/ScrUnit.h"
#include "windows/optdlg.h"

TScreenForm* ScreenForm = nullptr;

namespace {

constexpr unsigned kKeysymF1 = 0xffbe;
constexpr unsigned kKeysymF2 = 0xffbf;
const QColor kCommandCaption(0, 111, 0);
const QColor kModifyCaption(0, 99, 147);
const QColor kRowTitle(0, 126, 187);

}  // namespace

TScreenForm::TScreenForm(QWidget* parent) : QWidget(parent) {
  ScreenForm = this;
  setWindowTitle("Vorlix");
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(358, 104);
  QFont font("Sans Serif");
  font.setPixelSize(11);
  setFont(font);
  BuildControls();
  FormCreate();
}

TScreenForm::~TScreenForm() {
  FormDestroy();
  if (ScreenForm == this) ScreenForm = nullptr;
}

void TScreenForm::BuildControls() {
  using widgets::Glyph;
  using widgets::ImageButton;
  int x = 0;
  auto command = [&](const QString& caption, Glyph glyph, int width = 50) {
    auto* button = new ImageButton(caption, widgets::DrawGlyph(glyph), kCommandCaption, this);
    button->setGeometry(x, 0, width, 45);
    x += width;
    return button;
  };
  auto separator = [&] {
    (new widgets::ButtonSeparator(this))->setGeometry(x, 0, 3, 45);
    x += 3;
  };
  bt_Region = command("Region", Glyph::Region);
  separator();
  bt_Copy = command("Clipboard", Glyph::Clipboard);
  bt_Screenshot = command("To File", Glyph::ToFile);
  separator();
  bt_Options = command("Options", Glyph::Options);
  bt_Record = command("Record", Glyph::Record);
  separator();
  LMDSpeedButton4 = command("Help", Glyph::Help);
  bt_Exit = command("Exit", Glyph::Exit, width() - x);  // the row is one pixel short of seven full buttons

  bt_Region->setCheckable(true);
  bt_Record->setCheckable(true);
  bt_Record->setEnabled(false);

  auto fileRow = [&](int top, const QString& title, QLabel*& nameLabel, ImageButton*& modify) {
    auto* titleLabel = new QLabel(title, this);
    QFont bold = font();
    bold.setBold(true);
    titleLabel->setFont(bold);
    titleLabel->setStyleSheet(QString("color: %1").arg(kRowTitle.name()));
    titleLabel->adjustSize();
    titleLabel->setGeometry(0, top, titleLabel->width(), 22);
    nameLabel = new QLabel(this);
    nameLabel->setStyleSheet("color: white");
    nameLabel->setGeometry(titleLabel->width(), top, width() - 64 - titleLabel->width(), 22);
    modify = new ImageButton("Modify", widgets::DrawGlyph(Glyph::Modify), kModifyCaption, this);
    modify->setGeometry(width() - 64, top, 64, 22);
  };
  fileRow(45, " Image File: ", Label5, bt_SaveImg);
  fileRow(67, " Video File: ", Label6, bt_SaveVideo);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(0, 89, width(), 2);

  Label2 = new QLabel("Use \"Ctrl+Shift+F1\" for Copy or \"Ctrl+Shift+F2\" for Save to File", this);
  Label2->setAlignment(Qt::AlignCenter);
  Label2->setStyleSheet("color: silver");
  Label2->setGeometry(0, 91, width(), 13);

  PopupMenu1 = new QMenu(this);
  Help1 = PopupMenu1->addAction(QIcon(ImageListIcon(0)), "Help");
  PopupMenu1->addSeparator();
  About1 = PopupMenu1->addAction(QIcon(ImageListIcon(1)), "About");
  LMDSpeedButton4->SetDropDownMenu(PopupMenu1);

  SavePictureDialog1 = new QFileDialog(this);
  SavePictureDialog1->setOption(QFileDialog::DontUseNativeDialog);
  SavePictureDialog1->setOption(QFileDialog::DontConfirmOverwrite);
  SavePictureDialog1->setAcceptMode(QFileDialog::AcceptSave);
  SavePictureDialog1->setNameFilters({"Image Files (*.bmp *.jpg)", "Windows Bitmap (*.bmp)", "JPEG Image (*.jpg)"});
  SavePictureDialog1->setDefaultSuffix("bmp");
  SaveDialog1 = new QFileDialog(this);
  SaveDialog1->setOption(QFileDialog::DontUseNativeDialog);
  SaveDialog1->setOption(QFileDialog::DontConfirmOverwrite);
  SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
  SaveDialog1->setNameFilters({"Video File (*.avi)"});
  SaveDialog1->setDefaultSuffix("avi");

  auto bind = [this](QAbstractButton* button, void (TScreenForm::*handler)(QObject*)) {
    connect(button, &QAbstractButton::clicked, this,
            [this, button, handler] { RunCommand([&] { (this->*handler)(button); }); });
  };
  bind(bt_Region, &TScreenForm::bt_RegionClick);
  bind(bt_Copy, &TScreenForm::bt_CopyClick);
  bind(bt_Screenshot, &TScreenForm::bt_ScreenshotClick);
  bind(bt_Options, &TScreenForm::bt_OptionsClick);
  bind(bt_Record, &TScreenForm::bt_recordClick);
  bind(bt_Exit, &TScreenForm::bt_ExitClick);
  bind(bt_SaveImg, &TScreenForm::bt_SaveImgClick);
  bind(bt_SaveVideo, &TScreenForm::bt_SaveVideoClick);
  connect(Help1, &QAction::triggered, this, [this] { RunCommand([this] { Help1Click(Help1); }); });
  connect(About1, &QAction::triggered, this, [this] { RunCommand([this] { About1Click(About1); }); });
}

QPixmap TScreenForm::ImageListIcon(int index) const {
  static const widgets::Glyph kImageList[] = {widgets::Glyph::MenuHelp, widgets::Glyph::MenuAbout,
                                              widgets::Glyph::Unused2,  widgets::Glyph::Unused3,
                                              widgets::Glyph::Unused4,  widgets::Glyph::RegionIcon};
  if (index < 0 || index > 5) return QPixmap();
  return widgets::DrawGlyph(kImageList[index]);
}

void TScreenForm::ShowError(const std::exception& error) {
  platform::ShowErrorMessage(QString::fromUtf8(error.what()));
}

void TScreenForm::RunCommand(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& error) {
    ShowError(error);
  }
}

void TScreenForm::FormCreate() {
  ScreenCam = std::make_unique<TScreenCam>(this);
  ScreenCam->OnProgress = [](TScreenCam*) {};
  ScreenCam->ShowMarker = false;
  OutputFolder = QString::fromLocal8Bit(app::DefaultOutputFolder());
  if (!platform::FolderExists(OutputFolder.toStdString())) {
    platform::ForcePrivateDirectories(OutputFolder.toStdString());  // a failure shows when a capture writes
  }
  VideoFileName = OutputFolder + app::kDefaultVideoName;
  ImageFileName = OutputFolder + app::kDefaultImageName;
  Label5->setText(ImageFileName);
  Label6->setText(VideoFileName);
  StillInProgress = false;

  hotkeys_ = std::make_unique<platform::GlobalHotkeys>();
  // Queued: a still must run from the event loop, not from inside the X event reader.
  connect(
      hotkeys_.get(), &platform::GlobalHotkeys::HotKey, this,
      [this](int id) { RunCommand([this, id] { WMHotKey(id); }); }, Qt::QueuedConnection);
  ListenForStillCommands();
}

void TScreenForm::FormDestroy() { ScreenCam.reset(); }

void TScreenForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;  // restored from the task bar, not shown by the program
  if (!shownOnce_) {
    shownOnce_ = true;
    move(widgets::CentredIn(widgets::PrimaryMonitorArea(), frameGeometry().size()));
  }
  if (StillInProgress) return;  // shown again at the end of a still: the hotkeys are still ours
  // After the window is up, so that the messages appear over it.
  QMetaObject::invokeMethod(
      this, [this] { FormShow(); }, Qt::QueuedConnection);
}

void TScreenForm::FormShow() {
  if (!hotkeys_->IsRegistered(kHotkeyFile) &&
      !hotkeys_->Register(kHotkeyFile, platform::GlobalHotkeys::Control | platform::GlobalHotkeys::Shift, kKeysymF2,
                          "Vorlix: a still to the image file")) {
    platform::ShowPlainMessage("Unable to assign Ctrl-Shift-F2 as hotkey.", this);
  }
  if (!hotkeys_->IsRegistered(kHotkeyCopy) &&
      !hotkeys_->Register(kHotkeyCopy, platform::GlobalHotkeys::Control | platform::GlobalHotkeys::Shift, kKeysymF1,
                          "Vorlix: a still to the clipboard")) {
    platform::ShowPlainMessage("Unable to assign Ctrl-Shift-F1 as hotkey.", this);
  }
}

void TScreenForm::closeEvent(QCloseEvent* event) {
  FormCloseQuery();
  // A recording still running is stopped, and its file closed, before the program ends.
  if (ScreenCam) {
    ScreenCam->StopRecording();
    ScreenCam->WaitForThread();
  }
  event->accept();
  // Closing the main window ends the program, whatever secondary window is still shown.
  QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void TScreenForm::FormCloseQuery() {
  hotkeys_->Unregister(kHotkeyCopy);
  hotkeys_->Unregister(kHotkeyFile);
}

void TScreenForm::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  widgets::PaintWindowBackground(painter, rect());
}

void TScreenForm::WMHotKey(int id) {
  if (StillInProgress) return;  // a hotkey during a still would nest a second still inside it
  if (id == kHotkeyCopy) bt_CopyClick(this);
  else if (id == kHotkeyFile) bt_ScreenshotClick(this);
}

void TScreenForm::EnableSettingButtons() {
  bt_Options->setEnabled(true);
  bt_Region->setEnabled(true);
  bt_SaveImg->setEnabled(true);
  bt_SaveVideo->setEnabled(true);
}

void TScreenForm::DisableSettingButtons() {
  bt_Options->setEnabled(false);
  bt_Region->setEnabled(false);
  bt_SaveImg->setEnabled(false);
  bt_SaveVideo->setEnabled(false);
}

void TScreenForm::bt_RegionClick(QObject*) {
  ScrForm->SetBorderSizeable(true);
  if (bt_Region->Pressed()) {
    ScrForm->show();
    ScrForm->raise();
    return;
  }
  bt_Record->SetPressed(false);
  bt_Record->setText("Record");
  bt_Record->setEnabled(false);
  ScrForm->close();
}

void TScreenForm::bt_OptionsClick(QObject*) {
  // The list shows what is installed now.
  ScreenCam->RefreshCompressors();
  OptionDlg->ShowOptions();
}

void TScreenForm::bt_ExitClick(QObject*) { close(); }

void TScreenForm::bt_SaveImgClick(QObject*) {
  SavePictureDialog1->setDirectory(OutputFolder);
  SavePictureDialog1->selectNameFilter("Windows Bitmap (*.bmp)");
  SavePictureDialog1->selectFile("My screenshot");
  if (SavePictureDialog1->exec() != QDialog::Accepted || SavePictureDialog1->selectedFiles().isEmpty()) return;
  ImageFileName = SavePictureDialog1->selectedFiles().first();
  Label5->setText(ImageFileName);
  bt_RegionClick(bt_Region);
}

void TScreenForm::bt_SaveVideoClick(QObject*) {
  SaveDialog1->setDirectory(OutputFolder);
  SaveDialog1->selectFile("My video");
  if (SaveDialog1->exec() != QDialog::Accepted || SaveDialog1->selectedFiles().isEmpty()) return;
  VideoFileName = SaveDialog1->selectedFiles().first();
  Label6->setText(VideoFileName);
  bt_RegionClick(bt_Region);
}
