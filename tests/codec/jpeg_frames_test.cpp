// Motion JPEG frames at sizes that are not whole 8- and 16-pixel blocks and at the screen depths,
// against libavcodec's Motion JPEG at its best quality on the same picture: the encoder pads the
// planes' edges itself, so a wrong stride or padding shows at these sizes as a larger error.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/codec/codec_test_support.h"
#include "tests/support/process.h"

namespace codectest {
namespace {

// The DIB as a .bmp file, for ffmpeg to read as it reads any picture.
void WriteBmp(const std::string& path, const PackedDib& dib) {
  const auto offset = static_cast<std::uint32_t>(14 + dib.FormatSize());
  const auto size = static_cast<std::uint32_t>(14 + dib.bytes.size());
  std::uint8_t header[14] = {'B', 'M'};
  for (int i = 0; i < 4; ++i) {
    header[2 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    header[10 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
  }
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(header), sizeof header);
  out.write(reinterpret_cast<const char*>(dib.bytes.data()), static_cast<std::streamsize>(dib.bytes.size()));
}

// libavcodec's Motion JPEG at quantiser 2 (its best), 4:2:0 at full range, as ours codes.
double ReferenceError(const std::string& folder, const PackedDib& dib) {
  const std::string bmp = folder + "/reference.bmp", avi = folder + "/reference.avi";
  WriteBmp(bmp, dib);
  const auto encoded = testsupport::Run("ffmpeg -nostdin -v error -y -i " + testsupport::ShellQuote(bmp) +
                                        " -c:v mjpeg -q:v 2 -pix_fmt yuvj420p " + testsupport::ShellQuote(avi) +
                                        " 2>&1");
  EXPECT_EQ(encoded.exitCode, 0) << encoded.output;
  const Decoded decoded = DecodeRgb(avi, dib.Header().biWidth, dib.Header().biHeight);
  if (decoded.frames.size() != 1) return -1;
  return MeanError(decoded.frames[0], dib);
}

TEST(MotionJpeg, OddSizesAreAsCloseToThePictureAsLibavcodecs) {
  struct Size {
    int width, height;
  };
  const std::string folder = TempFolder();
  for (const Size size : {Size{1, 1}, Size{3, 3}, Size{17, 9}, Size{101, 61}, Size{320, 200}}) {
    // Not 16 bits: ours widens 5 bits to 8 with 31 as 255, where the reference picture of these
    // tests (and libavcodec's BMP reader) stops at 248; the compressor tests cover that depth.
    for (int bits : {32, 24, 8}) {
      const std::string name = std::to_string(size.width) + "x" + std::to_string(size.height) + " at " +
                               std::to_string(bits) + " bits";
      const std::vector<PackedDib> frames = {ScreenDib(size.width, size.height, bits, 0),
                                             ScreenDib(size.width, size.height, bits, 1)};
      const std::string path = folder + "/ours.avi";
      WriteSettings settings;
      settings.fourcc = mmioFOURCC('M', 'J', 'P', 'G');
      settings.quality = 10000;
      ASSERT_TRUE(WriteAvi(path, settings, frames, {0, 1}).AllOk()) << name;
      const Decoded decoded = DecodeRgb(path, size.width, size.height);
      EXPECT_EQ(decoded.messages, "") << name;
      ASSERT_EQ(decoded.frames.size(), frames.size()) << name;
      for (std::size_t i = 0; i < frames.size(); ++i) {
        const double reference = ReferenceError(folder, frames[i]);
        ASSERT_GE(reference, 0) << name;
        EXPECT_LE(MeanError(decoded.frames[i], frames[i]), reference + 2.5) << name << ", frame " << i;
      }
      std::filesystem::remove(path);
    }
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace codectest
