// Every choice the configuration dialogs offer is one the encoder takes.
#include <gtest/gtest.h>

#include <filesystem>

#include "camera/codec/compressor_settings.h"
#include "camera/codec/compressor_table.h"
#include "tests/codec/codec_test_support.h"

namespace codectest {
namespace {

TEST(CompressorSettings, EveryChoiceRecordsADecodableFile) {
  const std::string folder = TempFolder();
  ASSERT_FALSE(codec::InstalledCompressors().empty()) << "a loop over no compressor checks nothing";
  for (const codec::CompressorEntry& entry : codec::InstalledCompressors()) {
    const std::vector<int> defaults = codec::SettingChoices(entry);
    for (std::size_t s = 0; s < entry.settings.size(); ++s)
      for (std::size_t c = 0; c < entry.settings[s].choices.size(); ++c) {
        const std::string name = Text(entry.fourcc) + " " + entry.settings[s].option + "=" +
                                 entry.settings[s].choices[c].value;
        std::vector<int> choices = defaults;
        choices[s] = static_cast<int>(c);
        codec::SetSettingChoices(entry, choices);
        EXPECT_EQ(codec::SettingValues(entry)[s].second, entry.settings[s].choices[c].value);
        const std::string path = folder + "/setting.avi";
        std::filesystem::remove(path);  // the last choice's file: names are never replaced
        WriteSettings settings;
        settings.fourcc = entry.fourcc;
        const std::vector<PackedDib> frames = {ScreenDib(96, 64, 32, 0), ScreenDib(96, 64, 32, 1)};
        EXPECT_TRUE(WriteAvi(path, settings, frames, {0, 1}).AllOk()) << name;
        const Decoded decoded = DecodeRgb(path, 96, 64);
        EXPECT_EQ(decoded.messages, "") << name;
        ASSERT_EQ(decoded.frames.size(), 2u) << name;
        if (IsLossless(entry.fourcc)) {
          EXPECT_TRUE(SameColours(decoded.frames[1], frames[1])) << name;
        }
      }
    codec::SetSettingChoices(entry, defaults);
  }
  std::filesystem::remove_all(folder);
}

// Choices outside a setting's list are ignored.
TEST(CompressorSettings, OutOfRangeChoicesAreIgnored) {
  ASSERT_FALSE(codec::InstalledCompressors().empty()) << "a loop over no compressor checks nothing";
  for (const codec::CompressorEntry& entry : codec::InstalledCompressors()) {
    if (entry.settings.empty()) continue;
    const std::vector<int> before = codec::SettingChoices(entry);
    codec::SetSettingChoices(entry, {static_cast<int>(entry.settings[0].choices.size()), -1});
    EXPECT_EQ(codec::SettingChoices(entry), before);
  }
}

}  // namespace
}  // namespace codectest
