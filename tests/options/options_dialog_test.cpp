// The video options dialog in the running program: its controls, how it opens from the camera,
// what OK and Cancel write, the compressor list and its buttons, and the track bars.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QToolButton>

#include "app/ScreenUnit.h"
#include "camera/scrcam.h"
#include "tests/options/options_fixture.h"
#include "tests/windows/ui_wait.h"
#include "widgets/image_button.h"
#include "windows/optdlg.h"

namespace {

QString Description(const ICINFO& info) {
  int length = 0;
  while (length < 128 && info.szDescription[length] != u'\0') ++length;
  return QString::fromUtf16(info.szDescription, length);
}

using OptionDialog = OptionsTest;

TEST_F(OptionDialog, ControlsStartAsBuilt) {
  TOptionDlg& dlg = *OptionDlg;
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.windowTitle(), "Video Options");
  EXPECT_EQ(dlg.size(), QSize(361, 232));

  struct Placed {
    QWidget* control;
    QWidget* parent;
    QRect bounds;
    QString text;
  };
  const Placed placed[] = {
      {dlg.Button2, &dlg, {93, 196, 75, 25}, "OK"},
      {dlg.Button3, &dlg, {193, 196, 75, 25}, "Cancel"},
      {dlg.CheckBox1, &dlg, {16, 5, 78, 17}, "With Cursor"},
      {dlg.LMDGroupBox2, &dlg, {4, 24, 353, 81}, "Compression"},
      {dlg.ComboBoxCompressor, dlg.LMDGroupBox2, {28, 20, 205, 21}, ""},
      {dlg.ButtonAbout, dlg.LMDGroupBox2, {268, 20, 73, 22}, "About"},
      {dlg.ButtonConfig, dlg.LMDGroupBox2, {268, 52, 73, 22}, "Options"},
      {dlg.Label1, dlg.LMDGroupBox2, {4, 56, 41, 13}, " Quality: "},
      {dlg.TrackBarQuality, dlg.LMDGroupBox2, {52, 56, 157, 17}, ""},
      {dlg.LabelQuality, dlg.LMDGroupBox2, {215, 56, 45, 13}, "50"},
      {dlg.LMDGroupBox1, &dlg, {4, 116, 353, 69}, "Frame Rate"},
      {dlg.Label5, dlg.LMDGroupBox1, {28, 20, 23, 13}, "1 fps"},
      {dlg.labelFPSPlayback, dlg.LMDGroupBox1, {156, 20, 40, 13}, "11 fps"},
      {dlg.Label7, dlg.LMDGroupBox1, {296, 20, 29, 13}, "50 fps"},
      {dlg.TrackBarPlayback, dlg.LMDGroupBox1, {21, 44, 311, 17}, ""},
  };
  for (const Placed& p : placed) {
    SCOPED_TRACE((p.control->metaObject()->className() + QString(" ") + p.text).toStdString());
    EXPECT_EQ(p.control->parentWidget(), p.parent);
    EXPECT_EQ(p.control->geometry(), p.bounds);
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(p.control)) text = button->text();
    if (auto* label = qobject_cast<QLabel*>(p.control)) text = label->text();
    if (auto* box = qobject_cast<QGroupBox*>(p.control)) text = box->title();
    EXPECT_EQ(text, p.text);
    if (qobject_cast<QLabel*>(p.control) || qobject_cast<QCheckBox*>(p.control)) {
      EXPECT_LE(p.control->sizeHint().width(), p.bounds.width()) << "the caption fits its bounds";
    }
  }

  EXPECT_TRUE(dlg.Button2->isDefault());
  EXPECT_TRUE(dlg.CheckBox1->isChecked());
  EXPECT_EQ(dlg.ComboBoxCompressor->count(), 0);
  EXPECT_EQ(dlg.ComboBoxCompressor->currentIndex(), -1);
  EXPECT_FALSE(dlg.ComboBoxCompressor->isEditable());
  EXPECT_EQ(dlg.TrackBarQuality->minimum(), 0);
  EXPECT_EQ(dlg.TrackBarQuality->maximum(), 100);
  EXPECT_EQ(dlg.TrackBarQuality->value(), 50);
  EXPECT_EQ(dlg.TrackBarPlayback->minimum(), 1);
  EXPECT_EQ(dlg.TrackBarPlayback->maximum(), 1000);
  EXPECT_EQ(dlg.TrackBarPlayback->value(), 200);
  EXPECT_EQ(dlg.ButtonAbout->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(dlg.ButtonConfig->focusPolicy(), Qt::NoFocus);

  // Tab order: the dialog's own controls, then each group box's controls in their order.
  const QWidget* expected[] = {
      dlg.Button2, dlg.Button3, dlg.CheckBox1, dlg.TrackBarQuality, dlg.ComboBoxCompressor, dlg.TrackBarPlayback};
  QWidget* w = dlg.Button2;
  for (const QWidget* next : expected) {
    EXPECT_EQ(w, next);
    do w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus) && w != dlg.Button2);
  }
  EXPECT_EQ(w, dlg.Button2) << "the chain closes after the frame-rate bar";
}

TEST_F(OptionDialog, OpensFromTheCameraAndOkWritesBack) {
  struct Case {
    int fps, quality;                       // in the camera before opening
    int playbackPosition, qualityPosition;  // shown on opening
    const char *fpsLabel, *qualityLabel;
    int fpsAfter, intervalAfter, qualityAfter;  // written by OK
  };
  const Case cases[] = {
      {10, 6550, 183, 66, "10 fps", "66", 10, 100, 6600},  // the camera's defaults; 65.5 rounds to 66
      {16, 5000, 306, 50, "16 fps", "50", 16, 62, 5000},   // 62.5 ms rounds to the even 62
      {11, 10000, 204, 100, "11 fps", "100", 11, 91, 10000},
      {3, 0, 41, 0, "3 fps", "0", 3, 333, 0},
      {50, 4949, 999, 49, "50 fps", "49", 50, 20, 4900},
      {1, 51, 1, 1, "1 fps", "1", 1, 1000, 100},  // position 0 is raised to the bar's minimum
  };
  TScreenCam& cam = *ScreenForm->ScreenCam;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fps);
    cam.FramesPerSecond = c.fps;
    cam.FrameIntervalMs = 7;
    cam.Quality = c.quality;
    RunOptions(
        [&] {
          EXPECT_EQ(OptionDlg->TrackBarPlayback->value(), c.playbackPosition);
          EXPECT_EQ(OptionDlg->TrackBarQuality->value(), c.qualityPosition);
          EXPECT_EQ(OptionDlg->labelFPSPlayback->text(), c.fpsLabel);
          EXPECT_EQ(OptionDlg->LabelQuality->text(), c.qualityLabel);
        },
        true);
    EXPECT_EQ(cam.FramesPerSecond, c.fpsAfter);
    EXPECT_EQ(cam.FrameIntervalMs, c.intervalAfter);
    EXPECT_EQ(cam.Quality, c.qualityAfter);
  }
}

TEST_F(OptionDialog, CancelWritesNothingAndPutsEveryControlBack) {
  TScreenCam& cam = *ScreenForm->ScreenCam;
  // An OK first, so that there is a chosen compressor to keep.
  RunOptions([] { PressKey(OptionDlg->ComboBoxCompressor, Qt::Key_Down); }, true);
  const int playback = OptionDlg->TrackBarPlayback->value();
  const int quality = OptionDlg->TrackBarQuality->value();
  const QString fpsText = OptionDlg->labelFPSPlayback->text(), qualityText = OptionDlg->LabelQuality->text();
  const int fps = cam.FramesPerSecond, qualityValue = cam.Quality;
  RunOptions(
      [] {
        OptionDlg->TrackBarPlayback->setValue(990);
        OptionDlg->TrackBarQuality->setValue(80);
        OptionDlg->CheckBox1->setChecked(false);
        PressKey(OptionDlg->ComboBoxCompressor, Qt::Key_Down);
      },
      false);
  EXPECT_EQ(cam.FramesPerSecond, fps);
  EXPECT_EQ(cam.Quality, qualityValue);
  EXPECT_EQ(cam.CompressorIndex, 1);
  EXPECT_EQ(OptionDlg->TrackBarPlayback->value(), playback);
  EXPECT_EQ(OptionDlg->labelFPSPlayback->text(), fpsText);
  EXPECT_EQ(OptionDlg->TrackBarQuality->value(), quality);
  EXPECT_EQ(OptionDlg->LabelQuality->text(), qualityText);
  EXPECT_TRUE(OptionDlg->CheckBox1->isChecked());
  EXPECT_EQ(OptionDlg->ComboBoxCompressor->currentIndex(), 1) << "the compressor the next recording uses";
}

TEST_F(OptionDialog, OptionsButtonListsTheCatalogueAndOpensOnTheCompressorInUse) {
  TScreenCam& cam = *ScreenForm->ScreenCam;
  ASSERT_EQ(cam.CompressorCount, 0) << "the catalogue is first built by the Options command";
  int chosenLine = -1;
  RunOptions(
      [&] {
        ASSERT_GE(cam.CompressorCount, 3);
        ASSERT_EQ(OptionDlg->ComboBoxCompressor->count(), cam.CompressorCount);
        for (int i = 0; i < cam.CompressorCount; ++i) {
          EXPECT_EQ(OptionDlg->ComboBoxCompressor->itemText(i), Description(cam.Compressors[i])) << i;
        }
        EXPECT_EQ(OptionDlg->ComboBoxCompressor->currentIndex(), 0);
        // The user picks the third line from the keyboard.
        PressKey(OptionDlg->ComboBoxCompressor, Qt::Key_Down);
        PressKey(OptionDlg->ComboBoxCompressor, Qt::Key_Down);
        chosenLine = OptionDlg->ComboBoxCompressor->currentIndex();
      },
      true);
  EXPECT_EQ(chosenLine, 2);
  EXPECT_EQ(cam.CompressorIndex, 2);

  // The next opening shows the line the next recording will use.
  RunOptions([] { EXPECT_EQ(OptionDlg->ComboBoxCompressor->currentIndex(), 2); }, true);
  EXPECT_EQ(cam.CompressorIndex, 2);
}

// Each line is read whole in the closed box, at its fixed width and in the dialog's own font.
TEST_F(OptionDialog, EveryCompressorsDescriptionFitsTheBox) {
  RunOptions(
      [] {
        QComboBox* box = OptionDlg->ComboBoxCompressor;
        ASSERT_GT(box->count(), 0);
        QStyleOptionComboBox option;
        option.initFrom(box);
        const int room =
            box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box).width();
        const QFontMetrics metrics(box->font());
        for (int i = 0; i < box->count(); ++i) {
          EXPECT_LE(metrics.horizontalAdvance(box->itemText(i)), room) << box->itemText(i).toStdString();
        }
      },
      false);
}

TEST_F(OptionDialog, CompressorButtonsFollowTheSelectedLine) {
  TScreenCam& cam = *ScreenForm->ScreenCam;
  RunOptions(
      [&] {
        int withConfig = 0, withoutConfig = 0;
        ASSERT_GT(OptionDlg->ComboBoxCompressor->count(), 0) << "a loop over no compressor checks nothing";
        for (int line = 0; line < OptionDlg->ComboBoxCompressor->count(); ++line) {
          if (line > 0) PressKey(OptionDlg->ComboBoxCompressor, Qt::Key_Down);
          ASSERT_EQ(OptionDlg->ComboBoxCompressor->currentIndex(), line);
          bool hasAbout = false, hasConfig = false;
          cam.QueryCompressorDialogs(static_cast<std::uint8_t>(line), hasAbout, hasConfig);
          EXPECT_EQ(OptionDlg->ButtonAbout->isEnabled(), hasAbout) << line;
          EXPECT_EQ(OptionDlg->ButtonConfig->isEnabled(), hasConfig) << line;
          ++(hasConfig ? withConfig : withoutConfig);
        }
        // Both kinds are installed, so the buttons were seen to change with the line.
        EXPECT_GT(withConfig, 0);
        EXPECT_GT(withoutConfig, 0);
      },
      false);
}

TEST_F(OptionDialog, AboutAndOptionsButtonsOpenTheCompressorsDialogsOverTheOptionsDialog) {
  struct Seen {
    QWidget* parent = nullptr;
    bool modal = false;
  };
  // Answers the compressor's dialog once it is up, noting where it was shown.
  auto answer = [](Seen& seen) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, &seen] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || modal == OptionDlg) return;
      poll->stop();
      poll->deleteLater();
      seen.parent = modal->parentWidget();
      seen.modal = modal->isModal();
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      else modal->close();
    });
    poll->start(20);
  };
  Seen about, config;
  RunOptions(
      [&] {
        // Move to a line that has a configuration dialog.
        for (int line = 0; !OptionDlg->ButtonConfig->isEnabled() && line < OptionDlg->ComboBoxCompressor->count();
             ++line) {
          PressKey(OptionDlg->ComboBoxCompressor, Qt::Key_Down);
        }
        ASSERT_TRUE(OptionDlg->ButtonAbout->isEnabled());
        ASSERT_TRUE(OptionDlg->ButtonConfig->isEnabled());
        answer(about);
        OptionDlg->ButtonAbout->click();
        answer(config);
        OptionDlg->ButtonConfig->click();
      },
      false);
  EXPECT_EQ(about.parent, OptionDlg);
  EXPECT_TRUE(about.modal);
  EXPECT_EQ(config.parent, OptionDlg);
  EXPECT_TRUE(config.modal);
}

TEST_F(OptionDialog, EmptyCatalogueLeavesNoSelectionAndOkWritesMinusOne) {
  TScreenCam& cam = *ScreenForm->ScreenCam;
  cam.CompressorCount = 0;
  cam.CompressorIndex = 4;
  WhenDialogOpens(
      [] {
        EXPECT_EQ(OptionDlg->ComboBoxCompressor->count(), 0);
        EXPECT_EQ(OptionDlg->ComboBoxCompressor->currentIndex(), -1);
        EXPECT_FALSE(OptionDlg->ButtonAbout->isEnabled());
        EXPECT_FALSE(OptionDlg->ButtonConfig->isEnabled());
      },
      true);
  OptionDlg->ShowOptions();
  EXPECT_EQ(cam.CompressorIndex, -1);
}

TEST_F(OptionDialog, TrackBarsClampAndTheirLabelsFollowEveryChangeButNoneWithoutOne) {
  TOptionDlg& dlg = *OptionDlg;
  struct Move {
    QSlider* bar;
    QLabel* label;
    int set, position;
    const char* text;
  };
  const Move moves[] = {
      {dlg.TrackBarQuality, dlg.LabelQuality, 150, 100, "100"},
      {dlg.TrackBarQuality, dlg.LabelQuality, -3, 0, "0"},
      {dlg.TrackBarQuality, dlg.LabelQuality, 37, 37, "37"},
      {dlg.TrackBarPlayback, dlg.labelFPSPlayback, 5000, 1000, "50 fps"},
      {dlg.TrackBarPlayback, dlg.labelFPSPlayback, 0, 1, "1 fps"},
      {dlg.TrackBarPlayback, dlg.labelFPSPlayback, 183, 183, "10 fps"},
  };
  for (const Move& m : moves) {
    m.bar->setValue(m.set);
    EXPECT_EQ(m.bar->value(), m.position) << m.set;
    EXPECT_EQ(m.label->text(), m.text) << m.set;
  }

  // Setting the position it has, or a value that clamps to it, runs no change event.
  dlg.LabelQuality->setText("untouched");
  dlg.TrackBarQuality->setValue(37);
  EXPECT_EQ(dlg.LabelQuality->text(), "untouched");
  dlg.TrackBarPlayback->setValue(1000);
  dlg.labelFPSPlayback->setText("untouched");
  dlg.TrackBarPlayback->setValue(1234);
  EXPECT_EQ(dlg.labelFPSPlayback->text(), "untouched");

  // The user's moves run it too.
  PressKey(dlg.TrackBarQuality, Qt::Key_Right);
  EXPECT_EQ(dlg.LabelQuality->text(), "38");
  PressKey(dlg.TrackBarPlayback, Qt::Key_Home);
  EXPECT_EQ(dlg.labelFPSPlayback->text(), "1 fps");
}

TEST_F(OptionDialog, CentredOverTheMainWindowFirstThenKeepsItsPlace) {
  const QRect main = ScreenForm->frameGeometry();
  QPoint first, moved(30, 40), second;
  RunOptions([&] { first = OptionDlg->pos(); }, false);
  EXPECT_EQ(first, QPoint(std::max(0, main.left() + (main.width() - 361) / 2),
                          std::max(0, main.top() + (main.height() - 232) / 2)));
  OptionDlg->move(moved);
  RunOptions([&] { second = OptionDlg->pos(); }, false);
  // Where the user left it, not centred again; the window manager may still be placing its frame
  // decoration (a title bar's height) when the position is read.
  EXPECT_LE(std::abs(second.x() - moved.x()), 2) << second.x();
  EXPECT_LE(std::abs(second.y() - moved.y()), 25) << second.y();
}

TEST_F(OptionDialog, ModalWhileOpen) {
  bool mainBlocked = false;
  RunOptions(
      [&] {
        mainBlocked = QApplication::activeModalWidget() == OptionDlg &&
                      OptionDlg->windowModality() == Qt::ApplicationModal;
      },
      false);
  EXPECT_TRUE(mainBlocked);
  EXPECT_FALSE(OptionDlg->isVisible());
}

}  // namespace
