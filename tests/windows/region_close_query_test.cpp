// What closing the region window leaves behind in the main window's buttons and state.
#include <gtest/gtest.h>

#include <QLabel>
#include <QToolButton>

#include "app/ScreenUnit.h"
#include "camera/scrcam.h"
#include "platform/topmost.h"
#include "tests/windows/region_fixture.h"
#include "tests/windows/ui_wait.h"
#include "widgets/image_button.h"
#include "windows/ScrUnit.h"

using windowstest::PumpUntil;

namespace {

void ExpectRecordReset() {
  EXPECT_FALSE(ScreenForm->bt_Record->Pressed());
  EXPECT_FALSE(ScreenForm->bt_Record->isEnabled());
  EXPECT_EQ(ScreenForm->bt_Record->text(), "Record");
}

bool SettingButtonsEnabled() {
  return ScreenForm->bt_Options->isEnabled() && ScreenForm->bt_Region->isEnabled() &&
         ScreenForm->bt_SaveImg->isEnabled() && ScreenForm->bt_SaveVideo->isEnabled();
}

}  // namespace

TEST_F(RegionWindowTest, CloseButtonWhileRegionIsPressedResetsBothButtons) {
  ASSERT_NO_FATAL_FAILURE(ShowRegion());
  ASSERT_TRUE(ScreenForm->bt_Region->Pressed());
  ScrForm->LMDSpeedButton1->click();
  EXPECT_TRUE(PumpUntil([] { return !ScrForm->isVisible(); }));
  EXPECT_FALSE(ScreenForm->bt_Region->Pressed());
  ExpectRecordReset();
  EXPECT_FALSE(ScreenForm->RegionSelected);
}

TEST_F(RegionWindowTest, ClosingWhileNeitherButtonIsPressedOnlyClearsTheSelection) {
  ScrForm->show();  // shown by the program, not through the Region button
  ASSERT_TRUE(PumpUntil([] { return ScrForm->isVisible(); }));
  ASSERT_TRUE(ScreenForm->RegionSelected);
  ASSERT_TRUE(ScreenForm->bt_Record->isEnabled());
  ScrForm->close();
  EXPECT_FALSE(ScrForm->isVisible());
  EXPECT_FALSE(ScreenForm->RegionSelected);
  EXPECT_TRUE(ScreenForm->bt_Record->isEnabled());  // left as it was
  EXPECT_FALSE(ScreenForm->bt_Region->Pressed());
}

TEST_F(RegionWindowTest, ShowingAgainEnablesRecordEvenWhenItWasDisabled) {
  ASSERT_NO_FATAL_FAILURE(ShowRegion());
  ScrForm->hide();
  ScreenForm->bt_Record->setEnabled(false);
  ScrForm->show();
  EXPECT_TRUE(ScreenForm->bt_Record->isEnabled());
  EXPECT_TRUE(ScreenForm->RegionSelected);
  EXPECT_FALSE(ScrForm->Image1->pixmap().isNull());
}

TEST_F(RegionWindowTest, CloseQueryDuringARecordingStopsItSilentlyAndUndoesOneSuspension) {
  // The state a running recording leaves: Region and Stop down, setting buttons off, window
  // borderless and hidden, the camera recording.
  ASSERT_NO_FATAL_FAILURE(ShowRegion());
  ScreenForm->bt_Record->SetPressed(true);
  ScreenForm->bt_Record->setText("Stop");
  ScreenForm->DisableSettingButtons();
  ScrForm->SetBorderSizeable(false);
  ScrForm->hide();
  ScreenForm->ScreenCam->Recording = true;
  platform::TopMostWindows& topMost = platform::TopMostWindows::Instance();
  const int suspended = topMost.SuspensionCount();
  topMost.Suspend();
  topMost.Suspend();

  // Asked without a close following.
  ScrForm->FormCloseQuery();
  EXPECT_FALSE(ScreenForm->ScreenCam->Recording);
  EXPECT_EQ(topMost.SuspensionCount(), suspended + 1);
  EXPECT_TRUE(SettingButtonsEnabled());
  ExpectRecordReset();
  EXPECT_FALSE(ScreenForm->bt_Region->Pressed());
  EXPECT_FALSE(ScreenForm->RegionSelected);
  EXPECT_FALSE(ScrForm->isVisible());
  EXPECT_EQ(MessageLog(), "");
}

TEST_F(RegionWindowTest, TheSessionsEndFinishesARecordingAndLeavesAShownRegionSelected) {
  ASSERT_NO_FATAL_FAILURE(ShowRegion());
  // Nothing is recorded: the window is not closing, so it stays shown and selected.
  ScrForm->SessionEndQuery();
  EXPECT_TRUE(ScrForm->isVisible());
  EXPECT_TRUE(ScreenForm->RegionSelected);
  EXPECT_TRUE(ScreenForm->bt_Record->isEnabled());

  // A recording is stopped, and its file finished, before the answer: the session may end the
  // program at once.
  TScreenCam* camera = ScreenForm->ScreenCam.get();
  ScreenForm->bt_Record->click();
  ASSERT_TRUE(PumpUntil([camera] { return camera->FramesWritten > 0; }));
  ScrForm->SessionEndQuery();
  EXPECT_EQ(camera->Thread, nullptr);
  EXPECT_FALSE(camera->Recording);
  EXPECT_TRUE(camera->FileFinished);
  EXPECT_TRUE(SettingButtonsEnabled());
  ExpectRecordReset();
  EXPECT_FALSE(ScreenForm->RegionSelected);
  EXPECT_FALSE(ScrForm->isVisible());
  EXPECT_EQ(MessageLog(), "") << "no message at the session's end";
}
