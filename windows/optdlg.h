#pragma once
// TOptionDlg: the video options dialog. Its controls are also the store the record command reads.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QToolButton;

class TOptionDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TOptionDlg(QWidget* parent = nullptr);

  QPushButton* Button2;  // OK
  QPushButton* Button3;  // Cancel
  QCheckBox* CheckBox1;  // With Cursor
  QGroupBox* LMDGroupBox2;
  QComboBox* ComboBoxCompressor;
  QToolButton* ButtonAbout;
  QToolButton* ButtonConfig;
  QLabel* Label1;
  QSlider* TrackBarQuality;
  QLabel* LabelQuality;
  QGroupBox* LMDGroupBox1;
  QLabel* Label5;
  QLabel* labelFPSPlayback;
  QLabel* Label7;
  QSlider* TrackBarPlayback;

  // Fills the dialog from the camera, runs it modally and, on OK, writes the settings back; on
  // Cancel every control is put back as it was, so the next recording's settings are unchanged.
  void ShowOptions();
  void UpdateCompressorButtons();

  void ComboBoxCompressorSelect(QObject* sender);
  void ButtonAboutClick(QObject* sender);
  void ButtonConfigClick(QObject* sender);
  void TrackBarQualityChange(QObject* sender);
  void TrackBarPlaybackChange(QObject* sender);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  void BuildControls();
  bool shownOnce_ = false;
};

extern TOptionDlg* OptionDlg;
