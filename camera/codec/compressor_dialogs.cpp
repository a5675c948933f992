#include "camera/codec/compressor_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFont>
#include <QFontMetrics>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "camera/codec/compressor_settings.h"
#include "platform/ui_thread_call.h"

namespace codec {
namespace {

// Widgets live on the UI thread: a caller on another thread waits there until the dialog closed.
bool OnUiThread(const std::function<void()>& show) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
  platform::RunOnUiThread(show);
  return true;
}

constexpr int kDialogMargin = 12;
constexpr int kDialogMinimumWidth = 380;
constexpr int kTitleBarButtonsRoom = 160;  // the window manager's icon and buttons

QString Fourcc(const CompressorEntry& entry) { return QString::fromStdString(FourccText(entry.fourcc)); }

QString Text(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QString AboutText(const CompressorEntry& entry) {
  const QString kind = entry.lossless ? QStringLiteral("Lossless: frames decode exactly as recorded.")
                                      : QStringLiteral("Lossy: the quality setting trades detail for size.");
  return QStringLiteral("<b>%1</b><br>%2<br><br>FOURCC: %3<br>%4<br>Encoder: %5")
      .arg(Text(entry.encoderName).toHtmlEscaped(), Text(entry.description).toHtmlEscaped(), Fourcc(entry), kind,
           Text(entry.driver).toHtmlEscaped());
}

}  // namespace

bool ShowAboutBox(const CompressorEntry& entry, QWidget* parent) {
  return OnUiThread([&entry, parent] {
    QMessageBox box(QMessageBox::Information, QStringLiteral("About %1").arg(Fourcc(entry)), AboutText(entry),
                    QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("CompressorAboutBox"));
    box.setTextFormat(Qt::RichText);
    box.exec();
  });
}

bool ShowConfigurationDialog(const CompressorEntry& entry, QWidget* parent) {
  if (entry.settings.empty()) return false;
  return OnUiThread([&entry, parent] {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("CompressorConfigDialog"));
    dialog.setWindowTitle(QStringLiteral("%1 settings").arg(Fourcc(entry)));
    dialog.setModal(true);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(kDialogMargin, kDialogMargin, kDialogMargin, kDialogMargin);
    layout->setSpacing(kDialogMargin);
    auto* heading = new QLabel(QStringLiteral("<b>%1</b>").arg(Text(entry.description).toHtmlEscaped()), &dialog);
    heading->setObjectName(QStringLiteral("Heading"));
    layout->addWidget(heading);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    std::vector<QComboBox*> boxes;
    const std::vector<int> choices = SettingChoices(entry);
    for (std::size_t i = 0; i < entry.settings.size(); ++i) {
      const ChoiceSetting& setting = entry.settings[i];
      auto* box = new QComboBox(&dialog);
      box->setObjectName(QString::fromLatin1(setting.option));
      for (const Choice& choice : setting.choices) box->addItem(QString::fromUtf8(choice.text));
      box->setCurrentIndex(choices[i]);
      form->addRow(QString::fromUtf8(setting.label), box);
      boxes.push_back(box);
      if (*setting.explanation) {
        auto* explanation = new QLabel(QString::fromUtf8(setting.explanation), &dialog);
        explanation->setWordWrap(true);
        form->addRow(QString(), explanation);
      }
    }
    layout->addLayout(form);
    layout->addStretch();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    // Wide enough for the explanations to read as sentences and for the title bar to show the
    // whole title beside the window manager's buttons.
    QFont titleFont = dialog.font();
    titleFont.setBold(true);  // as title bars mostly show it
    const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(dialog.windowTitle());
    dialog.setMinimumWidth(std::max(kDialogMinimumWidth, titleWidth + kTitleBarButtonsRoom));
    dialog.adjustSize();  // wrapped explanations need their height before the dialog is shown
    if (dialog.exec() != QDialog::Accepted) return;
    std::vector<int> chosen;
    for (QComboBox* box : boxes) chosen.push_back(box->currentIndex());
    SetSettingChoices(entry, chosen);
  });
}

}  // namespace codec
