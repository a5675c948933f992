// Quality 0..10000 reaches each lossy encoder's own control: lower quality, smaller files.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/codec/codec_test_support.h"

namespace codectest {
namespace {

long RecordedSize(const std::string& path, std::uint32_t fourcc, std::uint32_t quality) {
  std::vector<PackedDib> frames;
  std::vector<int> positions;
  for (int i = 0; i < 8; ++i) {
    frames.push_back(ScreenDib(320, 240, 32, i));
    positions.push_back(i);
  }
  WriteSettings settings;
  settings.fourcc = fourcc;
  settings.quality = quality;
  std::filesystem::remove(path);  // the last entry's file: names are never replaced
  if (!WriteAvi(path, settings, frames, positions).AllOk()) return -1;
  const Decoded decoded = DecodeRgb(path, 320, 240);
  if (!decoded.messages.empty() || decoded.frames.size() != frames.size()) return -1;
  return FileSize(path);
}

TEST(Quality, LowerQualityGivesSmallerFilesForLossyEntries) {
  const std::string folder = TempFolder();
  int lossy = 0;
  ASSERT_FALSE(InstalledFourccs().empty()) << "a loop over no compressor checks nothing";
  for (std::uint32_t fourcc : InstalledFourccs()) {
    if (IsLossless(fourcc)) continue;
    ++lossy;
    const long low = RecordedSize(folder + "/low.avi", fourcc, 1000);
    const long high = RecordedSize(folder + "/high.avi", fourcc, 9000);
    ASSERT_GT(low, 0) << Text(fourcc);
    EXPECT_LT(low, high) << Text(fourcc);
  }
  EXPECT_GT(lossy, 0);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace codectest
