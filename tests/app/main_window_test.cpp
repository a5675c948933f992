// The main window in this process, on a private X server: start-up state and the still commands.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "app/ScreenUnit.h"
#include "app/startup.h"
#include "tests/support/image_probe.h"
#include "tests/support/modal_watcher.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/x_session.h"
#include "widgets/image_button.h"
#include "windows/ScrUnit.h"

namespace fs = std::filesystem;

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = testsupport::MakeTempFolder("vorlix-home");
    setenv("HOME", home_.c_str(), 1);
    CreateWindows();
    QApplication::processEvents();
  }
  void TearDown() override { DestroyWindows(); }

  std::string Output(const std::string& name) const { return home_ + "/Temp Vorlix/" + name; }
  static int FilesIn(const std::string& folder) {
    int n = 0;
    for (auto& entry : fs::directory_iterator(folder)) n += entry.is_regular_file() ? 1 : 0;
    return n;
  }

  std::string home_;
  testsupport::ModalWatcher boxes_;
};

TEST_F(MainWindowTest, StartsWithDefaultNamesInANewOutputFolder) {
  EXPECT_TRUE(fs::is_directory(home_ + "/Temp Vorlix"));
  EXPECT_EQ(ScreenForm->Label5->text().toStdString(), Output("My screenshot.bmp"));
  EXPECT_EQ(ScreenForm->Label6->text().toStdString(), Output("My video.avi"));
  EXPECT_EQ(ScreenForm->size(), QSize(358, 104));
  EXPECT_EQ(ScreenForm->windowTitle(), "Vorlix");
  EXPECT_FALSE(ScreenForm->bt_Record->isEnabled());
  EXPECT_FALSE(ScreenForm->bt_Region->Pressed());
  EXPECT_FALSE(ScreenForm->RegionSelected);
  EXPECT_NE(ScreenForm->ScreenCam, nullptr);
}

TEST_F(MainWindowTest, JpegStillIsBaselineQuality90AndCloseToTheScreen) {
  const testsupport::WindowGeometry screen = testsupport::ScreenSize();
  // Flat 16 x 16 tiles: a picture JPEG is made for, so closeness is a fair measure.
  testsupport::RgbImage tiles = testsupport::MakePattern(screen.width, screen.height);
  for (int y = 0; y < screen.height; ++y)
    for (int x = 0; x < screen.width; ++x)
      for (int c = 0; c < 3; ++c)
        tiles.rgb[3 * (y * screen.width + x) + c] = tiles.rgb[3 * ((y / 16 * 16) * screen.width + x / 16 * 16) + c];
  testsupport::PaintRoot(tiles);
  ScreenForm->ImageFileName = QString::fromStdString(Output("shot.jpg"));
  ScreenForm->bt_Screenshot->click();

  const std::string path = Output("shot.jpg");
  EXPECT_EQ(testsupport::Identify(path, "%m %Q %[interlace]"), "JPEG 90 None");
  const testsupport::RgbImage read = testsupport::ReadImage(path);
  ASSERT_EQ(read.width, screen.width);
  ASSERT_EQ(read.height, screen.height);
  // As close as an independent encoder gets with the same quality and sampling.
  const std::string reference = Output("reference.jpg");
  testsupport::WritePpm(Output("tiles.ppm"), tiles);
  testsupport::Run("convert " + testsupport::ShellQuote(Output("tiles.ppm")) + " -quality 90 -sampling-factor 2x2 " +
                   testsupport::ShellQuote(reference));
  const testsupport::RgbImage referenceRead = testsupport::ReadImage(reference);
  ASSERT_EQ(referenceRead.rgb.size(), tiles.rgb.size());
  auto meanError = [&](const testsupport::RgbImage& image) {
    double sum = 0;
    for (std::size_t i = 0; i < image.rgb.size(); ++i) sum += std::abs(image.rgb[i] - tiles.rgb[i]);
    return sum / image.rgb.size();
  };
  EXPECT_LT(meanError(read), meanError(referenceRead) * 1.2 + 0.5);
  EXPECT_TRUE(ScreenForm->isVisible());
}

TEST_F(MainWindowTest, FailedWriteStillShowsTheWindowAgainAndReportsTheFile) {
  const std::string missing = home_ + "/gone/x.bmp";
  ScreenForm->ImageFileName = QString::fromStdString(missing);
  ScreenForm->bt_Screenshot->click();
  EXPECT_TRUE(ScreenForm->isVisible());
  EXPECT_FALSE(ScreenForm->StillInProgress);
  ASSERT_EQ(boxes_.Seen().size(), 1);
  EXPECT_EQ(boxes_.Seen()[0].toStdString(),
            "Vorlix\tCannot create file \"" + missing + "\". No such file or directory.");
  // The next still works as usual.
  ScreenForm->ImageFileName = QString::fromStdString(Output("x.bmp"));
  ScreenForm->bt_Screenshot->click();
  EXPECT_TRUE(fs::exists(Output("x.bmp")));
}

TEST_F(MainWindowTest, RegionWithoutPixelsWritesNothingAndSaysSo) {
  ScreenForm->RegionSelected = true;
  // The window's own minimum keeps a pixel below its strip; lift it to reach the empty case.
  ScrForm->setMinimumSize(1, 1);
  ScrForm->resize(200, 20);  // no room below the 25-pixel strip
  ScreenForm->bt_Screenshot->click();
  EXPECT_EQ(FilesIn(home_ + "/Temp Vorlix"), 0);
  ASSERT_EQ(boxes_.Seen().size(), 1);
  EXPECT_EQ(boxes_.Seen()[0].toStdString(), "Vorlix\tNothing was captured: the capture area has no pixels.");
  EXPECT_TRUE(ScreenForm->isVisible());
}

TEST_F(MainWindowTest, NameWithoutImageExtensionWritesNothingAndSaysSo) {
  ScreenForm->ImageFileName = QString::fromStdString(Output("x.png"));
  ScreenForm->bt_Screenshot->click();
  EXPECT_EQ(FilesIn(home_ + "/Temp Vorlix"), 0);
  EXPECT_EQ(ScreenForm->Label5->text().toStdString(), Output("x.png"));
  ASSERT_EQ(boxes_.Seen().size(), 1);
  EXPECT_EQ(boxes_.Seen()[0].toStdString(),
            "Vorlix\tNothing was saved: \"" + Output("x.png") + "\" is neither a .bmp nor a .jpg file.");
}

TEST_F(MainWindowTest, HotkeyDuringAStillIsIgnored) {
  // Fires while the still lets pending events run, before it has grabbed.
  QTimer::singleShot(100, ScreenForm, [] { ScreenForm->WMHotKey(TScreenForm::kHotkeyFile); });
  ScreenForm->bt_Screenshot->click();
  QApplication::processEvents();
  EXPECT_EQ(FilesIn(home_ + "/Temp Vorlix"), 1);
  EXPECT_TRUE(ScreenForm->isVisible());
  EXPECT_FALSE(ScreenForm->StillInProgress);
}

}  // namespace
