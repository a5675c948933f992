// The camera's compressor catalogue: the installed compressors that take a screen frame, and
// their About and configuration dialogs.
#include <gtest/gtest.h>

#include <string>

#include "tests/recording/recording_rig.h"

namespace {

using namespace recordingtest;

std::vector<std::uint32_t> Catalogue(const TScreenCam& cam) {
  std::vector<std::uint32_t> codes;
  for (int i = 0; i < cam.CompressorCount; ++i) codes.push_back(cam.Compressors[i].fccHandler);
  return codes;
}

TEST(Catalogue, HoldsTheInstalledCompressorsInTheirOrderWithoutGaps) {
  ResultCam cam;
  EXPECT_EQ(cam.CompressorCount, 0) << "empty until the first refresh";
  cam.RefreshCompressors();
  const auto installed = codectest::InstalledFourccs();
  ASSERT_FALSE(installed.empty());
  EXPECT_EQ(Catalogue(cam), installed);
  EXPECT_EQ(cam.Compressors[0].fccHandler, mmioFOURCC('M', 'S', 'V', 'C'));
  for (int i = 0; i < cam.CompressorCount; ++i) {
    EXPECT_EQ(cam.Compressors[i].fccType, ICTYPE_VIDEO);
    EXPECT_NE(cam.Compressors[i].szDescription[0], u'\0') << "entry " << i << " has a description to show";
  }
  // Leftovers of an earlier catalogue never survive a refresh.
  cam.Compressors[1].fccHandler = mmioFOURCC('o', 'l', 'd', '!');
  cam.CompressorCount = 32;
  cam.RefreshCompressors();
  EXPECT_EQ(Catalogue(cam), installed);
}

TEST(Catalogue, IndicesOutsideTheCatalogueShowNothingAndAnswerFalse) {
  ResultCam cam;
  cam.RefreshCompressors();
  testsupport::ModalWatcher dialogs;
  QWidget owner;
  const std::uint8_t outside[] = {255, static_cast<std::uint8_t>(cam.CompressorCount.load())};
  for (const std::uint8_t index : outside) {
    SCOPED_TRACE(int(index));
    bool hasAbout = true, hasConfig = true;
    cam.QueryCompressorDialogs(index, hasAbout, hasConfig);
    EXPECT_FALSE(hasAbout);
    EXPECT_FALSE(hasConfig);
    cam.ShowCompressorAbout(index, &owner);
    cam.ShowCompressorConfig(index, &owner);
    Serve(200);
    EXPECT_TRUE(dialogs.Seen().isEmpty());
  }
}

TEST(Catalogue, EntriesShowTheDialogsTheySayTheyHave) {
  ResultCam cam;
  cam.RefreshCompressors();
  testsupport::ModalWatcher dialogs;
  QWidget owner;
  bool sawConfig = false;
  ASSERT_GT(cam.CompressorCount, 0) << "a loop over no compressor checks nothing";
  for (int i = 0; i < cam.CompressorCount; ++i) {
    SCOPED_TRACE(i);
    bool hasAbout = false, hasConfig = false;
    cam.QueryCompressorDialogs(static_cast<std::uint8_t>(i), hasAbout, hasConfig);
    EXPECT_TRUE(hasAbout) << "every entry has an About box";
    dialogs.Clear();
    cam.ShowCompressorConfig(static_cast<std::uint8_t>(i), &owner);
    EXPECT_EQ(dialogs.Seen().size(), hasConfig ? 1 : 0);
    sawConfig |= hasConfig;
    dialogs.Clear();
    cam.ShowCompressorAbout(static_cast<std::uint8_t>(i), &owner);
    EXPECT_EQ(dialogs.Seen().size(), 1);
  }
  EXPECT_TRUE(sawConfig) << "some entries have settings";
}

}  // namespace
