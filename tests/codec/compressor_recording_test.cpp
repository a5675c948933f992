// Every installed compressor records a sequence with skipped positions into an AVI file that
// ffprobe and ffmpeg read back as written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/codec/codec_test_support.h"

namespace codectest {
namespace {

class CompressorRecording : public ::testing::TestWithParam<std::uint32_t> {
 protected:
  void SetUp() override { folder_ = TempFolder(); }
  void TearDown() override {
    if (!std::getenv("KEEP")) std::filesystem::remove_all(folder_);
  }
  std::string folder_;
};

std::string Name(const ::testing::TestParamInfo<std::uint32_t>& info) { return Text(info.param); }

TEST_P(CompressorRecording, PositionsZeroOneTwoFiveSixAtTenFramesPerSecond) {
  const std::uint32_t fourcc = GetParam();
  const std::vector<int> positions = {0, 1, 2, 5, 6};
  std::vector<PackedDib> frames;
  for (int position : positions) frames.push_back(ScreenDib(320, 200, 32, position));
  const std::string path = folder_ + "/sequence.avi";
  WriteSettings settings;
  settings.fourcc = fourcc;
  ASSERT_TRUE(WriteAvi(path, settings, frames, positions).AllOk());

  const StreamProbe stream = ProbeStream(path);
  EXPECT_EQ(stream.codecTag, Text(fourcc));
  EXPECT_EQ(stream.frameRate, "10/1");
  EXPECT_EQ(stream.width, 320);
  EXPECT_EQ(stream.height, 200);
  EXPECT_EQ(stream.frames, 7);  // positions 0..6, of which 3 and 4 are empty

  // The file's own headers and index: stream rate and picture, one chunk per position.
  const AviHeaders headers = ReadAviHeaders(path);
  ASSERT_TRUE(headers.found);
  EXPECT_EQ(headers.fccType, streamtypeVIDEO);
  EXPECT_EQ(headers.fccHandler, fourcc);
  EXPECT_EQ(headers.compression, fourcc);
  EXPECT_EQ(headers.scale, 1u);
  EXPECT_EQ(headers.rate, 10u);
  EXPECT_EQ(headers.length, 7u);
  EXPECT_EQ(headers.frame[2], 320);
  EXPECT_EQ(headers.frame[3], 200);
  ASSERT_EQ(headers.index.size(), 7u);
  for (int position = 0; position < 7; ++position) {
    const bool empty = position == 3 || position == 4;
    EXPECT_EQ(headers.index[position].size == 0, empty) << "position " << position;
  }

  // Five frames with data, at their positions; key frames at 0 and 5.
  std::vector<PacketProbe> coded;
  for (const PacketProbe& packet : ProbePackets(path))
    if (packet.size > 0) coded.push_back(packet);
  ASSERT_EQ(coded.size(), positions.size());
  for (std::size_t i = 0; i < coded.size(); ++i) {
    EXPECT_EQ(coded[i].position, positions[i]) << "frame " << i;
    if (positions[i] % 5 == 0) {
      EXPECT_TRUE(coded[i].key) << "position " << positions[i];
    }
  }

  const Decoded decoded = DecodeRgb(path, 320, 200);
  EXPECT_EQ(decoded.exitCode, 0);
  EXPECT_EQ(decoded.messages, "");
  ASSERT_EQ(decoded.frames.size(), positions.size());
  for (std::size_t i = 0; i < frames.size(); ++i) {
    if (IsLossless(fourcc)) EXPECT_TRUE(SameColours(decoded.frames[i], frames[i])) << "frame " << i;
    else EXPECT_LT(MeanError(decoded.frames[i], frames[i]), 12.0) << "frame " << i;
  }
}

// Key frames every 4 positions: entries whose frames refer to earlier ones code the frames in
// between as differences, so the key frames come from the schedule, not from the encoder alone;
// the others make every frame a key frame.
TEST_P(CompressorRecording, KeyFramesFollowTheSchedule) {
  const std::uint32_t fourcc = GetParam();
  ICINFO info;
  ASSERT_TRUE(ICInfo(ICTYPE_VIDEO, fourcc, &info));
  const bool temporal = (info.dwFlags & VIDCF_TEMPORAL) != 0;
  const std::vector<int> positions = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  std::vector<PackedDib> frames;
  for (int position : positions) frames.push_back(ScreenDib(320, 200, 32, position));
  const std::string path = folder_ + "/keys.avi";
  WriteSettings settings;
  settings.fourcc = fourcc;
  settings.keyFrameEvery = 4;
  ASSERT_TRUE(WriteAvi(path, settings, frames, positions).AllOk());
  const auto packets = ProbePackets(path);
  ASSERT_EQ(packets.size(), positions.size());
  for (std::size_t i = 0; i < packets.size(); ++i)
    EXPECT_EQ(packets[i].key, !temporal || i % 4 == 0) << "position " << i;
}

// 16-bit (5-5-5) and 8-bit (palette) screens: the same checks at a size every entry takes.
TEST_P(CompressorRecording, SixteenAndEightBitFrames) {
  const std::uint32_t fourcc = GetParam();
  for (int bits : {16, 8}) {
    SCOPED_TRACE(bits);
    const std::vector<int> positions = {0, 1, 3};
    std::vector<PackedDib> frames;
    for (int position : positions) frames.push_back(ScreenDib(160, 120, bits, position));
    const std::string path = folder_ + "/depth" + std::to_string(bits) + ".avi";
    WriteSettings settings;
    settings.fourcc = fourcc;
    ASSERT_TRUE(WriteAvi(path, settings, frames, positions).AllOk());
    EXPECT_EQ(ProbeStream(path).frames, 4);
    const Decoded decoded = DecodeRgb(path, 160, 120);
    EXPECT_EQ(decoded.messages, "");
    ASSERT_EQ(decoded.frames.size(), positions.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
      if (IsLossless(fourcc)) EXPECT_TRUE(SameColours(decoded.frames[i], frames[i])) << "frame " << i;
      else EXPECT_LT(MeanError(decoded.frames[i], frames[i]), 12.0) << "frame " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Installed, CompressorRecording, ::testing::ValuesIn(InstalledFourccs()), Name);

}  // namespace
}  // namespace codectest
