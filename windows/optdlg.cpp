#include "optdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <algorithm>
#include <cstdint>

#include "app/ScreenUnit.h"
#include "camera/recording_settings.h"
#include "camera/scrcam.h"
#include "widgets/gradient.h"
#include "windows/optdlg_conversions.h"

TOptionDlg* OptionDlg = nullptr;

namespace {

QSlider* MakeTrackBar(QWidget* parent, int min, int max, int position) {
  auto* bar = new QSlider(Qt::Horizontal, parent);
  bar->setRange(min, max);
  bar->setValue(position);
  bar->setTickPosition(QSlider::NoTicks);
  return bar;
}

// A group box with a one-pixel bevel of the given colour and its caption set into the line.
QGroupBox* MakeGroupBox(const QString& caption, const char* bevel, QWidget* parent) {
  auto* box = new QGroupBox(caption, parent);
  box->setStyleSheet(QString("QGroupBox { border: 1px solid %1; margin-top: 6px; }"
                             "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 2px; }")
                         .arg(bevel));
  return box;
}

// The catalogue index as the camera takes it: 8 bits, so "no selection" (-1) arrives as 255.
std::uint8_t CatalogueIndex(int selected) { return static_cast<std::uint8_t>(selected); }

}  // namespace

TOptionDlg::TOptionDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Video Options");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(361, 232);
  // A narrow face, so that the captions fit the controls' fixed bounds at 11 pixels.
  QFont font;
  font.setFamilies({"Nimbus Sans Narrow", "Liberation Sans Narrow", "DejaVu Sans Condensed", "Sans Serif"});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  setFont(font);
  BuildControls();
  // The group boxes' style sheets keep the dialog's font from reaching their controls.
  for (QWidget* control : findChildren<QWidget*>()) control->setFont(font);
}

void TOptionDlg::BuildControls() {
  Button2 = new QPushButton("OK", this);
  Button2->setGeometry(93, 196, 75, 25);
  Button2->setDefault(true);
  connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
  Button3 = new QPushButton("Cancel", this);
  Button3->setGeometry(193, 196, 75, 25);
  connect(Button3, &QPushButton::clicked, this, &QDialog::reject);

  CheckBox1 = new QCheckBox("With Cursor", this);
  CheckBox1->setGeometry(16, 5, 78, 17);
  CheckBox1->setChecked(true);

  LMDGroupBox2 = MakeGroupBox("Compression", "black", this);
  LMDGroupBox2->setGeometry(4, 24, 353, 81);
  ComboBoxCompressor = new QComboBox(LMDGroupBox2);
  ComboBoxCompressor->setGeometry(28, 20, 205, 21);
  ButtonAbout = new QToolButton(LMDGroupBox2);
  ButtonAbout->setText("About");
  ButtonAbout->setGeometry(268, 20, 73, 22);
  ButtonConfig = new QToolButton(LMDGroupBox2);
  ButtonConfig->setText("Options");
  ButtonConfig->setGeometry(268, 52, 73, 22);
  for (QToolButton* speed : {ButtonAbout, ButtonConfig}) {
    speed->setAutoRaise(true);
    speed->setFocusPolicy(Qt::NoFocus);
  }
  Label1 = new QLabel(" Quality: ", LMDGroupBox2);
  Label1->setGeometry(4, 56, 41, 13);
  LabelQuality = new QLabel(LMDGroupBox2);
  LabelQuality->setGeometry(215, 56, 45, 13);
  TrackBarQuality = MakeTrackBar(LMDGroupBox2, 0, optdlg::kQualityMax, 50);
  TrackBarQuality->setGeometry(52, 56, 157, 17);

  LMDGroupBox1 = MakeGroupBox("Frame Rate", "silver", this);
  LMDGroupBox1->setGeometry(4, 116, 353, 69);
  Label5 = new QLabel("1 fps", LMDGroupBox1);
  Label5->setGeometry(28, 20, 23, 13);
  labelFPSPlayback = new QLabel(LMDGroupBox1);
  labelFPSPlayback->setGeometry(156, 20, 40, 13);
  Label7 = new QLabel("50 fps", LMDGroupBox1);
  Label7->setGeometry(296, 20, 29, 13);
  TrackBarPlayback = MakeTrackBar(LMDGroupBox1, 1, optdlg::kPlaybackMax, 200);
  TrackBarPlayback->setGeometry(21, 44, 311, 17);

  connect(ComboBoxCompressor, qOverload<int>(&QComboBox::activated), this,
          [this] { ComboBoxCompressorSelect(ComboBoxCompressor); });
  connect(ButtonAbout, &QToolButton::clicked, this, [this] { ButtonAboutClick(ButtonAbout); });
  connect(ButtonConfig, &QToolButton::clicked, this, [this] { ButtonConfigClick(ButtonConfig); });
  // A slider signals only real changes of its (clamped) position: the labels follow every change.
  connect(TrackBarQuality, &QSlider::valueChanged, this, [this] { TrackBarQualityChange(TrackBarQuality); });
  connect(TrackBarPlayback, &QSlider::valueChanged, this, [this] { TrackBarPlaybackChange(TrackBarPlayback); });
  TrackBarQualityChange(TrackBarQuality);
  TrackBarPlaybackChange(TrackBarPlayback);

  setTabOrder(Button2, Button3);
  setTabOrder(Button3, CheckBox1);
  setTabOrder(CheckBox1, TrackBarQuality);
  setTabOrder(TrackBarQuality, ComboBoxCompressor);
  setTabOrder(ComboBoxCompressor, TrackBarPlayback);
}

void TOptionDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(255, 244, 234));
  widgets::PaintWindowBackground(painter, rect());
}

void TOptionDlg::ShowOptions() {
  TScreenCam* camera = ScreenForm->ScreenCam.get();
  // The controls hold the next recording's settings: Cancel puts back what they held before.
  const int compressorBefore = ComboBoxCompressor->currentIndex();
  const bool cursorBefore = CheckBox1->isChecked();
  const int playbackBefore = TrackBarPlayback->value();
  const int qualityBefore = TrackBarQuality->value();
  ComboBoxCompressor->clear();
  for (int i = 0; i < camera->CompressorCount; ++i) {
    const char16_t* description = camera->Compressors[i].szDescription;
    int length = 0;
    while (length < 128 && description[length] != u'\0') ++length;
    ComboBoxCompressor->addItem(QString::fromUtf16(description, length));
  }
  // Opens on the compressor the next recording will use; on the first line before any choice.
  const int count = ComboBoxCompressor->count();
  ComboBoxCompressor->setCurrentIndex(compressorBefore >= 0 && compressorBefore < count ? compressorBefore
                                      : count > 0                                       ? 0
                                                                                        : -1);
  TrackBarPlayback->setValue(optdlg::PlaybackPositionFromFps(camera->FramesPerSecond, TrackBarPlayback->maximum()));
  TrackBarQuality->setValue(optdlg::QualityPositionFromQuality(camera->Quality, TrackBarQuality->maximum()));
  UpdateCompressorButtons();

  if (!shownOnce_) {
    shownOnce_ = true;
    const QRect main = ScreenForm->frameGeometry();
    move(std::max(0, main.left() + (main.width() - width()) / 2),
         std::max(0, main.top() + (main.height() - height()) / 2));
  }
  if (exec() != QDialog::Accepted) {
    ComboBoxCompressor->setCurrentIndex(compressorBefore < count ? compressorBefore : -1);
    CheckBox1->setChecked(cursorBefore);
    TrackBarPlayback->setValue(playbackBefore);
    TrackBarQuality->setValue(qualityBefore);
    return;
  }
  camera->CompressorIndex = ComboBoxCompressor->currentIndex();
  camera->Quality = optdlg::QualityFromPosition(TrackBarQuality->value(), TrackBarQuality->maximum());
  camera->FramesPerSecond = optdlg::FpsFromPlaybackPosition(TrackBarPlayback->value(), TrackBarPlayback->maximum());
  camera->FrameIntervalMs = recording::FrameIntervalMsFromFps(camera->FramesPerSecond);
}

void TOptionDlg::UpdateCompressorButtons() {
  bool hasAbout = false, hasConfig = false;
  ScreenForm->ScreenCam->QueryCompressorDialogs(CatalogueIndex(ComboBoxCompressor->currentIndex()), hasAbout,
                                                hasConfig);
  ButtonAbout->setEnabled(hasAbout);
  ButtonConfig->setEnabled(hasConfig);
}

void TOptionDlg::ComboBoxCompressorSelect(QObject*) { UpdateCompressorButtons(); }

void TOptionDlg::ButtonAboutClick(QObject*) {
  ScreenForm->ScreenCam->ShowCompressorAbout(CatalogueIndex(ComboBoxCompressor->currentIndex()), this);
}

void TOptionDlg::ButtonConfigClick(QObject*) {
  ScreenForm->ScreenCam->ShowCompressorConfig(CatalogueIndex(ComboBoxCompressor->currentIndex()), this);
}

void TOptionDlg::TrackBarQualityChange(QObject*) { LabelQuality->setNum(TrackBarQuality->value()); }

void TOptionDlg::TrackBarPlaybackChange(QObject*) {
  labelFPSPlayback->setText(
      QString("%1 fps").arg(optdlg::FpsFromPlaybackPosition(TrackBarPlayback->value(), TrackBarPlayback->maximum())));
}
