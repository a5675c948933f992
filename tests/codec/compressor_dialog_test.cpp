// The compressors' About boxes and configuration dialogs: modal over the given window, shown on
// the UI thread, and configuration choices that hold for the rest of the run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <functional>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "camera/codec/compressor_settings.h"
#include "camera/codec/compressor_table.h"
#include "camera/codec/vfw.h"
#include "tests/codec/codec_test_support.h"

// Qt's D-Bus connection (platform theme, accessibility) is never freed by libdbus; not ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace codectest {
namespace {

// Runs `act` on the modal dialog as soon as one is up.
void WhenModalAppears(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(modal);
  });
  timer->start();
}

LRESULT Send(std::uint32_t fourcc, std::uint32_t msg, QWidget* parent) {
  HIC hic = ICOpen(ICTYPE_VIDEO, fourcc, ICMODE_QUERY);
  const LRESULT answer = ICSendMessage(hic, msg, reinterpret_cast<std::uintptr_t>(parent), 0);
  ICClose(hic);
  return answer;
}

TEST(CompressorDialogs, EveryEntryShowsItsAboutBoxModalOverTheParent) {
  QWidget parent;
  parent.show();
  ASSERT_FALSE(InstalledFourccs().empty()) << "a loop over no compressor checks nothing";
  for (std::uint32_t fourcc : InstalledFourccs()) {
    SCOPED_TRACE(Text(fourcc));
    bool seen = false;
    WhenModalAppears([&](QWidget* modal) {
      seen = true;
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->objectName(), "CompressorAboutBox");
      EXPECT_EQ(box->parentWidget(), &parent);
      EXPECT_TRUE(box->isModal());
      EXPECT_TRUE(box->text().contains(QString::fromStdString(Text(fourcc))));
      EXPECT_TRUE(box->text().contains(IsLossless(fourcc) ? "Lossless" : "Lossy"));
      ICINFO info;
      ASSERT_TRUE(ICInfo(ICTYPE_VIDEO, fourcc, &info));
      EXPECT_TRUE(box->text().contains(QString::fromUtf16(info.szDescription)));
      EXPECT_TRUE(box->text().contains(QString::fromUtf16(info.szDriver)));  // what encodes, and its version
      // libavcodec's encoders keep the name libavcodec gives them.
      const codec::CompressorEntry& entry = *codec::FindInstalledCompressor(fourcc);
      if (const AVCodec* encoder = entry.recipe ? avcodec_find_encoder_by_name(entry.shortName) : nullptr) {
        EXPECT_TRUE(box->text().contains(QString::fromUtf8(encoder->long_name).toHtmlEscaped())) << encoder->long_name;
      }
      box->accept();
    });
    EXPECT_EQ(Send(fourcc, ICM_ABOUT, &parent), ICERR_OK);
    EXPECT_TRUE(seen);
  }
}

const codec::CompressorEntry* Configurable() {
  for (const codec::CompressorEntry& entry : codec::InstalledCompressors())
    if (!entry.settings.empty()) return &entry;
  return nullptr;
}

TEST(CompressorDialogs, ConfigurationChoicesHoldForTheRun) {
  const codec::CompressorEntry* entry = Configurable();
  ASSERT_NE(entry, nullptr);
  const codec::ChoiceSetting& setting = entry->settings[0];
  const int other = (setting.defaultChoice + 1) % static_cast<int>(setting.choices.size());
  QWidget parent;
  parent.show();

  // OK keeps the choice.
  WhenModalAppears([&](QWidget* modal) {
    EXPECT_EQ(modal->objectName(), "CompressorConfigDialog");
    EXPECT_EQ(modal->parentWidget(), &parent);
    auto* box = modal->findChild<QComboBox*>(setting.option);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->currentIndex(), setting.defaultChoice);
    box->setCurrentIndex(other);
    static_cast<QDialog*>(modal)->accept();
  });
  EXPECT_EQ(Send(entry->fourcc, ICM_CONFIGURE, &parent), ICERR_OK);
  EXPECT_EQ(codec::SettingChoices(*entry)[0], other);
  EXPECT_EQ(codec::SettingValues(*entry)[0].second, setting.choices[other].value);

  // The next dialog starts from it; Cancel changes nothing.
  WhenModalAppears([&](QWidget* modal) {
    auto* box = modal->findChild<QComboBox*>(setting.option);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->currentIndex(), other);
    box->setCurrentIndex(setting.defaultChoice);
    static_cast<QDialog*>(modal)->reject();
  });
  EXPECT_EQ(Send(entry->fourcc, ICM_CONFIGURE, &parent), ICERR_OK);
  EXPECT_EQ(codec::SettingChoices(*entry)[0], other);
}

// Each configuration dialog says what it configures and what each setting trades, and keeps its
// controls off its edges.
TEST(CompressorDialogs, ConfigurationDialogsExplainTheirSettingsAndKeepOffTheEdges) {
  constexpr int kMargin = 8;
  QWidget parent;
  parent.show();
  int dialogs = 0;
  ASSERT_FALSE(codec::InstalledCompressors().empty()) << "a loop over no compressor checks nothing";
  for (const codec::CompressorEntry& entry : codec::InstalledCompressors()) {
    if (entry.settings.empty()) continue;
    SCOPED_TRACE(Text(entry.fourcc));
    ++dialogs;
    WhenModalAppears([&](QWidget* modal) {
      EXPECT_EQ(modal->windowTitle(), QString::fromStdString(Text(entry.fourcc) + " settings"));
      QStringList texts;
      for (QLabel* label : modal->findChildren<QLabel*>()) texts << label->text();
      EXPECT_TRUE(texts.join('\n').contains(QString::fromUtf16(entry.description.data(), entry.description.size())));
      for (const codec::ChoiceSetting& setting : entry.settings) EXPECT_TRUE(texts.contains(setting.explanation));
      // As laid out once the dialog is up: the window manager may still have sized it.
      QCoreApplication::processEvents();
      modal->layout()->activate();
      const QRect inside = modal->rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
      for (QWidget* child : modal->findChildren<QWidget*>()) {
        if (!child->isVisible() || child->parentWidget() != modal) continue;
        EXPECT_TRUE(inside.contains(child->geometry()))
            << child->metaObject()->className() << " " << child->objectName().toStdString();
        if (auto* label = qobject_cast<QLabel*>(child); label && !label->wordWrap()) {
          EXPECT_GE(label->width(), label->minimumSizeHint().width()) << label->text().toStdString();
        }
      }
      static_cast<QDialog*>(modal)->reject();
    });
    EXPECT_EQ(Send(entry.fourcc, ICM_CONFIGURE, &parent), ICERR_OK);
  }
  EXPECT_GT(dialogs, 0);
}

TEST(CompressorDialogs, EntriesWithoutSettingsShowNoConfigurationDialog) {
  QWidget parent;
  parent.show();
  EXPECT_EQ(Send(mmioFOURCC('M', 'S', 'V', 'C'), ICM_CONFIGURE, &parent), ICERR_UNSUPPORTED);
  QCoreApplication::processEvents();
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The recording thread may ask too: the box is shown on the UI thread while the asker waits.
TEST(CompressorDialogs, ADialogAskedForOnAnotherThreadIsShownOnTheUiThread) {
  QWidget parent;
  parent.show();
  std::atomic<bool> onUiThread{false};
  WhenModalAppears([&](QWidget* modal) {
    onUiThread = QThread::currentThread() == qApp->thread() && modal->thread() == qApp->thread();
    static_cast<QDialog*>(modal)->accept();
  });
  std::atomic<LRESULT> answer{-99};
  std::atomic<bool> done{false};
  std::thread asker([&] {
    answer = Send(mmioFOURCC('M', 'S', 'V', 'C'), ICM_ABOUT, &parent);
    done = true;
  });
  QElapsedTimer clock;
  clock.start();
  while (!done && clock.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  asker.join();
  EXPECT_EQ(answer, ICERR_OK);
  EXPECT_TRUE(onUiThread);
}

}  // namespace
}  // namespace codectest
