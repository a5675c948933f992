// Our Video 1 encoder checked by libavcodec's msvideo1 decoder, libavformat's AVI muxer and ffmpeg.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "camera/codec/msvc1/msvc1_encoder.h"
#include "camera/codec/msvc1/pixel_conversion.h"
#include "tests/msvc1/screen_pictures.h"
#include "tests/reference/libav_msvideo1.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace {

using msvc1::Msvc1Encoder;
using msvc1test::Dib;
using msvc1test::GridColour;
using msvc1test::StoredFrame;

// Encodes every picture, decodes each frame in order with libavcodec, and checks on the way that
// the decoder shows exactly what the encoder believes it shows and that it never complains.
struct Coded {
  std::vector<StoredFrame> frames;
  std::vector<std::vector<std::uint16_t>> decoded;
};

Coded EncodeAndDecode(const std::vector<Dib>& pictures, int quality, int keyFrameEvery) {
  msvc1test::LibavMessages messages;
  const int w = pictures.front().Width(), h = pictures.front().Height();
  Msvc1Encoder encoder(w, h, quality, keyFrameEvery);
  msvc1test::Msvideo1Decoder decoder(w, h);
  Coded coded;
  for (const Dib& picture : pictures) {
    const msvc1::EncodedFrame frame =
        encoder.Encode(picture.Bits(), picture.Stride(), picture.BitsPerPixel(), picture.Palette());
    coded.frames.push_back({std::vector<std::uint8_t>(frame.bytes.begin(), frame.bytes.end()), frame.keyFrame});
    coded.decoded.push_back(decoder.Decode(frame.bytes));
    EXPECT_EQ(coded.decoded.back(), encoder.Reconstruction()) << "frame " << coded.frames.size() - 1;
  }
  EXPECT_EQ(messages.Take(), "");
  return coded;
}

// A desktop with a window that moves 7 pixels right and 3 down per frame.
std::vector<Dib> MovingWindowSequence(int width, int height, int frames, int bitsPerPixel = 32) {
  std::vector<Dib> pictures;
  for (int i = 0; i < frames; ++i) {
    Dib dib(width, height, bitsPerPixel);
    msvc1test::DrawDesktop(dib);
    msvc1test::DrawWindow(dib, width / 8 + 7 * i, height / 6 + 3 * i, width / 2, height / 2);
    pictures.push_back(std::move(dib));
  }
  return pictures;
}

void ExpectSamePicture(const Dib& source, const std::vector<std::uint16_t>& decoded) {
  int wrong = 0;
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < source.Width(); ++x) {
      const std::uint16_t shown = decoded[static_cast<std::size_t>(source.Height() - 1 - y) * source.Width() + x];
      if (msvc1test::Widen555(shown) != source.Get(x, y) && ++wrong <= 3)
        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << msvc1test::Widen555(shown) << " instead of "
                      << source.Get(x, y);
    }
  EXPECT_EQ(wrong, 0);
}

std::string TempFile(const std::string& name) { return testsupport::MakeTempFolder("vorlix-msvc1") + "/" + name; }

// ---------------------------------------------------------------------------------------------

struct ExactCase {
  const char* name;
  int bitsPerPixel;
  std::function<void(Dib&)> draw;
};
void PrintTo(const ExactCase& c, std::ostream* os) { *os << c.name; }

// The pictures below keep at most two colours in every 4x4 block, as text on a flat background does.
void FlatColours(Dib& dib) {
  // Edges off the 4-pixel grid, so blocks straddle two colours.
  dib.Fill(0, 0, dib.Width(), dib.Height(), GridColour(31, 31, 31));
  dib.Fill(5, 3, 22, 13, GridColour(0, 0, 31));
  dib.Fill(33, 21, 30, 15, GridColour(12, 25, 3));
  dib.Fill(9, 43, 50, 3, GridColour(0, 0, 0));
  dib.Fill(61, 50, 9, 10, GridColour(31, 0, 0));
}

void RedLevelOne(Dib& dib) {
  // Red at level 1 is the one flat colour whose one-colour code would read as a skip.
  dib.Fill(0, 0, dib.Width(), dib.Height(), GridColour(1, 0, 0));
  dib.Fill(8, 8, 40, 20, GridColour(1, 31, 17));
  dib.Fill(30, 30, 13, 13, GridColour(1, 1, 1));
}

void Text(Dib& dib) {
  dib.Fill(0, 0, dib.Width(), dib.Height(), GridColour(31, 31, 31));
  msvc1test::DrawText(dib, 0, 0, 12, 3, GridColour(0, 0, 0), GridColour(31, 31, 31), 1);
  // Coloured paper on whole blocks.
  msvc1test::DrawText(dib, 4, 36, 8, 2, GridColour(31, 31, 0), GridColour(4, 8, 20), 2);
}

void FlatAndText(Dib& dib) {
  FlatColours(dib);
  msvc1test::DrawText(dib, 4, 48, 8, 1, GridColour(1, 2, 3), GridColour(31, 31, 31), 3);
}

// The same picture with every colour one blue level away: each block changes, slightly.
Dib OneLevelOff(const Dib& dib) {
  Dib changed = dib;
  for (int y = 0; y < dib.Height(); ++y)
    for (int x = 0; x < dib.Width(); ++x) {
      // Bit 3 of a widened channel is the level's lowest bit: levels 2k and 2k + 1 lie 8 apart.
      const std::uint32_t rgb = dib.Get(x, y);
      changed.Set(x, y, (rgb & 8) ? rgb - 8 : rgb + 8);
    }
  return changed;
}

class ExactPictures : public ::testing::TestWithParam<ExactCase> {};

TEST_P(ExactPictures, DecodeToTheSourceColoursAtFullQuality) {
  Dib dib(72, 64, GetParam().bitsPerPixel);
  GetParam().draw(dib);
  const std::vector<Dib> pictures = {dib, OneLevelOff(dib), dib};
  const Coded coded = EncodeAndDecode(pictures, 10000, 0);
  ASSERT_TRUE(coded.frames[0].keyFrame);
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    ExpectSamePicture(pictures[i], coded.decoded[i]);
  }
}

INSTANTIATE_TEST_SUITE_P(Pictures, ExactPictures,
                         ::testing::Values(ExactCase{"FlatColours32", 32, FlatColours},
                                           ExactCase{"RedLevelOne32", 32, RedLevelOne}, ExactCase{"Text32", 32, Text},
                                           ExactCase{"FlatAndText16", 16, FlatAndText},
                                           ExactCase{"FlatAndText8", 8, FlatAndText}, ExactCase{"Text8", 8, Text}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Msvc1Encoder, StaticPicturesGiveSkipOnlyInterFrames) {
  Dib dib(320, 240, 32);
  msvc1test::DrawDesktop(dib);
  const Coded coded = EncodeAndDecode({dib, dib, dib, dib}, 6550, 0);
  const std::size_t blocks = 320 / 4 * 240 / 4;
  const std::size_t skipCodes = (blocks + 1022) / 1023;
  for (std::size_t i = 1; i < coded.frames.size(); ++i) {
    EXPECT_FALSE(coded.frames[i].keyFrame);
    EXPECT_EQ(coded.frames[i].bytes.size(), 2 * skipCodes + 2) << "frame " << i;
    EXPECT_EQ(coded.decoded[i], coded.decoded[0]);
  }
}

struct MovingCase {
  int quality;
  int bitsPerPixel;
  double minimumPsnr;
};
void PrintTo(const MovingCase& c, std::ostream* os) {
  *os << "quality " << c.quality << " at " << c.bitsPerPixel << " bits, PSNR >= " << c.minimumPsnr;
}

class MovingWindowOverDesktop : public ::testing::TestWithParam<MovingCase> {};

TEST_P(MovingWindowOverDesktop, DecodesWithTheExpectedQualityAndSmallInterFrames) {
  const auto pictures = MovingWindowSequence(320, 240, 8, GetParam().bitsPerPixel);
  const Coded coded = EncodeAndDecode(pictures, GetParam().quality, 0);
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    EXPECT_GE(msvc1test::Psnr(pictures[i], coded.decoded[i]), GetParam().minimumPsnr) << "frame " << i;
    // Only the area the window left and entered changes.
    if (i > 0) {
      EXPECT_LT(coded.frames[i].bytes.size(), coded.frames[0].bytes.size() / 2) << "frame " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Qualities, MovingWindowOverDesktop,
                         ::testing::Values(MovingCase{10000, 32, 40.0}, MovingCase{6550, 32, 38.0},
                                           MovingCase{0, 32, 33.0}, MovingCase{10000, 16, 44.0}),
                         [](const auto& info) {
                           return "Quality" + std::to_string(info.param.quality) + "At" +
                                  std::to_string(info.param.bitsPerPixel) + "Bits";
                         });

TEST(Msvc1Encoder, LowerQualityGivesSmallerFramesAndMoreLoss) {
  const auto pictures = MovingWindowSequence(320, 240, 3);
  std::size_t lastBytes = SIZE_MAX;
  double lastPsnr = 1e9;
  for (int quality : {10000, 7500, 5000, 2500, 0}) {
    const Coded coded = EncodeAndDecode(pictures, quality, 0);
    std::size_t bytes = 0;
    double psnr = 0;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
      bytes += coded.frames[i].bytes.size();
      psnr += msvc1test::Psnr(pictures[i], coded.decoded[i]);
    }
    EXPECT_LT(bytes, lastBytes) << "quality " << quality;
    EXPECT_LE(psnr, lastPsnr) << "quality " << quality;
    lastBytes = bytes;
    lastPsnr = psnr;
  }
}

class KeyFrameInterval : public ::testing::TestWithParam<int> {};

TEST_P(KeyFrameInterval, IsHonouredInTheFileAndKeyFramesDecodeAlone) {
  const int every = GetParam();
  const auto pictures = MovingWindowSequence(160, 120, 11);
  const Coded coded = EncodeAndDecode(pictures, 8000, every);
  std::vector<bool> expected;
  for (int i = 0; i < 11; ++i) expected.push_back(i == 0 || (every > 0 && i % every == 0));

  const std::string path = TempFile("keys.avi");
  ASSERT_TRUE(msvc1test::WriteAvi(path, 160, 120, 25, coded.frames));
  EXPECT_EQ(msvc1test::ReadKeyFlags(path), expected);
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(coded.frames[i].keyFrame, expected[i]) << "frame " << i;
    if (!expected[i]) continue;
    msvc1test::Msvideo1Decoder fresh(160, 120);
    EXPECT_EQ(fresh.Decode(coded.frames[i].bytes), coded.decoded[i]) << "key frame " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Intervals, KeyFrameInterval, ::testing::Values(1, 2, 3, 5, 0));

TEST(Msvc1Encoder, AForcedKeyFrameComesNextAndDecodesAlone) {
  const auto pictures = MovingWindowSequence(160, 120, 4);
  Msvc1Encoder encoder(160, 120, 8000, 0);
  msvc1test::Msvideo1Decoder sequence(160, 120);
  for (int i = 0; i < 4; ++i) {
    if (i == 2) encoder.ForceKeyFrame();
    const msvc1::EncodedFrame frame =
        encoder.Encode(pictures[i].Bits(), pictures[i].Stride(), pictures[i].BitsPerPixel());
    EXPECT_EQ(frame.keyFrame, i == 0 || i == 2) << "frame " << i << ": only the forced one after the first";
    const auto decoded = sequence.Decode(frame.bytes);
    if (i == 2) {
      msvc1test::Msvideo1Decoder fresh(160, 120);
      EXPECT_EQ(fresh.Decode(frame.bytes), decoded);
    }
  }
}

// Bands coded on threads join into the bytes one thread writes: skip runs run on across band
// edges, through bands with nothing to code, and key frames code everything.
TEST(Msvc1Encoder, BandsOnThreadsGiveTheBytesOfOneThread) {
  constexpr int kWidth = 320, kHeight = 512;  // 128 strips: up to four bands
  std::vector<Dib> pictures;
  for (int i = 0; i < 9; ++i) {
    Dib dib(kWidth, kHeight, 32);
    msvc1test::DrawDesktop(dib);
    // A small window moving near one edge leaves whole bands unchanged; frames 5 and 6 are the same.
    const int step = i == 6 ? 5 : i;
    msvc1test::DrawWindow(dib, 20 + 9 * step, 10 + 5 * step, 90, 60);
    pictures.push_back(std::move(dib));
  }
  pictures.push_back(pictures.front());  // back to the first: changes at both ends of the picture

  for (const int quality : {10000, 6550, 1500}) {
    Msvc1Encoder single(kWidth, kHeight, quality, 4, 1);
    std::vector<std::vector<std::uint8_t>> expected;
    for (const Dib& picture : pictures) {
      const auto frame = single.Encode(picture.Bits(), picture.Stride(), 32);
      expected.emplace_back(frame.bytes.begin(), frame.bytes.end());
    }
    for (const int threads : {2, 3, 4}) {
      Msvc1Encoder banded(kWidth, kHeight, quality, 4, threads);
      for (std::size_t i = 0; i < pictures.size(); ++i) {
        const auto frame = banded.Encode(pictures[i].Bits(), pictures[i].Stride(), 32);
        ASSERT_EQ(std::vector<std::uint8_t>(frame.bytes.begin(), frame.bytes.end()), expected[i])
            << "quality " << quality << ", " << threads << " threads, frame " << i;
      }
      EXPECT_EQ(banded.Reconstruction(), single.Reconstruction());
    }
  }
}

TEST(Msvc1Encoder, AviFileDecodesSilentlyInFfmpeg) {
  const auto pictures = MovingWindowSequence(640, 480, 10);
  const Coded coded = EncodeAndDecode(pictures, 6550, 5);
  const std::string path = TempFile("window.avi");
  ASSERT_TRUE(msvc1test::WriteAvi(path, 640, 480, 25, coded.frames));

  const auto decoded =
      testsupport::Run("ffmpeg -nostdin -v error -i " + testsupport::ShellQuote(path) + " -f null - 2>&1");
  EXPECT_EQ(decoded.exitCode, 0);
  EXPECT_EQ(decoded.output, "");
  const auto probe = testsupport::Run(
      "ffprobe -v error -count_frames -select_streams v -show_entries "
      "stream=codec_name,codec_tag_string,width,height,nb_read_frames -of csv=p=0 " +
      testsupport::ShellQuote(path) + " 2>&1");
  EXPECT_EQ(probe.output, "msvideo1,MSVC,640,480,10\n");
}

struct SizeCase {
  int width, height;
  bool accepted;
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.width << "x" << c.height; }

class Sizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(Sizes, OnlyMultiplesOfFourAreAccepted) {
  const SizeCase c = GetParam();
  EXPECT_EQ(Msvc1Encoder::AcceptsSize(c.width, c.height), c.accepted);
  if (c.accepted) {
    EXPECT_NO_THROW(Msvc1Encoder(c.width, c.height, 5000, 5));
  } else {
    EXPECT_THROW(Msvc1Encoder(c.width, c.height, 5000, 5), std::invalid_argument);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, Sizes,
                         ::testing::Values(SizeCase{4, 4, true}, SizeCase{1920, 1080, true}, SizeCase{100, 104, true},
                                           SizeCase{101, 104, false}, SizeCase{104, 102, false}, SizeCase{3, 3, false},
                                           SizeCase{0, 8, false}, SizeCase{8, 0, false}, SizeCase{-4, 8, false}));

TEST(Msvc1Encoder, RefusesPicturesItCannotRead) {
  Msvc1Encoder encoder(8, 8, 5000, 5);
  std::vector<std::uint8_t> bits(8 * 8 * 4);
  EXPECT_THROW(encoder.Encode(nullptr, 32, 32), std::invalid_argument);
  EXPECT_THROW(encoder.Encode(bits.data(), 24, 24), std::invalid_argument);
  EXPECT_THROW(encoder.Encode(bits.data(), 8, 8), std::invalid_argument);  // no palette
  EXPECT_THROW(encoder.Encode(bits.data(), 28, 32), std::invalid_argument);
  // The refusals changed nothing: the next frame is still the first, a key frame.
  EXPECT_TRUE(encoder.Encode(bits.data(), 32, 32).keyFrame);
}

TEST(PixelConversion, EightBitChannelsGoToTheNearestFiveBitLevel) {
  for (unsigned v = 0; v < 256; ++v) {
    const int chosen = static_cast<int>(msvc1::To5Bits(v));
    const int chosenDistance = std::abs(static_cast<int>(GridColour(0, 0, chosen)) - static_cast<int>(v));
    for (int level = 0; level < 32; ++level)
      EXPECT_LE(chosenDistance, std::abs(static_cast<int>(GridColour(0, 0, level)) - static_cast<int>(v)))
          << "value " << v << " level " << level;
  }
}

}  // namespace
