// The compress query answers for each entry exactly what its encoder can code: for a table of
// sizes, the answer is compared with what happens when the encoder itself is given such frames
// and ffmpeg decodes the result.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "camera/codec/avi_writer.h"
#include "camera/codec/compressor_settings.h"
#include "camera/codec/compressor_table.h"
#include "tests/codec/codec_test_support.h"

// libx264 does not free everything when it refuses to open; this test makes it refuse on purpose.
extern "C" const char* __lsan_default_suppressions() { return "leak:libx264.so\n"; }

namespace codectest {
namespace {

struct Size {
  int width, height;
};
const Size kSizes[] = {{320, 200}, {101, 100}, {100, 101}, {102, 102}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {98, 34}};

LRESULT Query(std::uint32_t fourcc, const PackedDib& frame) {
  HIC hic = ICOpen(ICTYPE_VIDEO, fourcc, ICMODE_QUERY);
  const LRESULT answer =
      ICSendMessage(hic, ICM_COMPRESS_QUERY, reinterpret_cast<std::uintptr_t>(frame.bytes.data()), 0);
  ICClose(hic);
  return answer;
}

// Runs two frames through the entry's encoder, bypassing the query, and lets ffmpeg decode them.
bool EncoderCodes(const codec::CompressorEntry& entry, Size size, const std::string& path) {
  codec::EncoderSetup setup;
  setup.input.width = size.width;
  setup.input.height = size.height;
  setup.input.bitsPerPixel = 32;
  setup.settings = codec::SettingValues(entry);
  auto encoder = entry.makeEncoder(entry, setup);
  if (!encoder) return false;
  std::filesystem::remove(path);  // the last size's file: names are never replaced
  auto writer = codec::AviWriter::Create(path);
  codec::VideoStreamFormat format;
  format.codecId = entry.codecId;
  format.fourcc = entry.fourcc;
  format.width = size.width;
  format.height = size.height;
  format.bitsPerCodedSample = encoder->BitsPerCodedSample();
  format.codecPrivateData = encoder->CodecPrivateData();
  if (!writer || writer->StartVideoStream(format) != AVIERR_OK) return false;
  for (int i = 0; i < 2; ++i) {
    const PackedDib frame = ScreenDib(size.width, size.height, 32, i);
    codec::EncodedFrame coded;
    if (!encoder->Encode(frame.Bits(), i == 0, coded)) return false;
    if (writer->WriteFrame(i, coded.bytes, coded.keyFrame) != AVIERR_OK) return false;
  }
  if (writer->Finish() != AVIERR_OK) return false;
  const Decoded decoded = DecodeRgb(path, size.width, size.height);
  return decoded.exitCode == 0 && decoded.messages.empty() && decoded.frames.size() == 2;
}

TEST(SizeRules, QueryAnswersWhatTheEncoderCanCode) {
  const std::string folder = TempFolder();
  ASSERT_FALSE(codec::InstalledCompressors().empty()) << "a loop over no compressor checks nothing";
  for (const codec::CompressorEntry& entry : codec::InstalledCompressors()) {
    for (const Size size : kSizes) {
      const std::string name = Text(entry.fourcc) + " " + std::to_string(size.width) + "x" +
                               std::to_string(size.height);
      const bool accepted = Query(entry.fourcc, ScreenDib(size.width, size.height, 32, 0)) == ICERR_OK;
      EXPECT_EQ(accepted, EncoderCodes(entry, size, folder + "/size.avi")) << name;
    }
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace codectest
