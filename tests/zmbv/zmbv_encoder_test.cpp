// Our ZMBV encoder, read back by libavcodec's zmbv decoder: every frame must decode to exactly the
// source pixels, key frames must come where they are asked for and decode alone, and a frame that
// changes nothing must cost next to nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "camera/codec/zmbv/zmbv_encoder.h"
#include "tests/msvc1/screen_pictures.h"
#include "tests/reference/libav_msvideo1.h"
#include "tests/reference/libav_zmbv.h"

namespace {

using msvc1test::Dib;

// Frame `index` of a desktop with a window dragged across it (right and down, a few pixels at a
// time, so that it crosses block edges); from frame 4 on a square of a colour not used before, so
// that an 8-bit palette changes mid-stream. At 8 bits the desktop is flat with text, as its
// gradients take more colours than a palette has.
Dib ScreenFrame(int width, int height, int bitsPerPixel, int index) {
  Dib dib(width, height, bitsPerPixel);
  if (bitsPerPixel == 8) {
    dib.Fill(0, 0, width, height, 0x305080);
    msvc1test::DrawText(dib, 0, 0, width / 6, height / 10, 0xF0F0F0, 0x305080, 7);
  } else {
    msvc1test::DrawDesktop(dib);
  }
  const int windowWidth = std::max(4, width / 2), windowHeight = std::max(4, height / 2);
  msvc1test::DrawWindow(dib, 1 + 7 * index % std::max(1, width - windowWidth),
                        1 + 3 * index % std::max(1, height - windowHeight), windowWidth - 2, windowHeight - 2);
  if (index >= 4) dib.Fill(0, 0, std::min(width, 5), std::min(height, 5), 0xE01070);
  return dib;
}

std::vector<std::uint32_t> Colours(const Dib& dib) {
  std::vector<std::uint32_t> colours;
  colours.reserve(static_cast<std::size_t>(dib.Width()) * dib.Height());
  for (int y = dib.Height() - 1; y >= 0; --y)  // DIB order: bottom row first
    for (int x = 0; x < dib.Width(); ++x) colours.push_back(dib.Get(x, y));
  return colours;
}

// The first pixel where the pictures differ, for a readable failure.
std::string FirstDifference(const std::vector<std::uint32_t>& want, const std::vector<std::uint32_t>& got, int width) {
  if (want.size() != got.size()) return "sizes differ";
  for (std::size_t i = 0; i < want.size(); ++i)
    if (want[i] != got[i])
      return "pixel " + std::to_string(i % static_cast<std::size_t>(width)) + "," +
             std::to_string(i / static_cast<std::size_t>(width)) + " (DIB rows): want " + std::to_string(want[i]) +
             ", got " + std::to_string(got[i]);
  return "";
}

struct SequenceCase {
  int width, height, bitsPerPixel, level;
};

class ZmbvSequence : public ::testing::TestWithParam<SequenceCase> {};

// Frame by frame, with the next frame loaded on another thread while this one is coded, as the
// recording pipeline does.
TEST_P(ZmbvSequence, DecodesToTheSourcePixels) {
  const SequenceCase c = GetParam();
  constexpr int kFrames = 10;
  std::vector<Dib> frames;
  for (int i = 0; i < kFrames; ++i) frames.push_back(ScreenFrame(c.width, c.height, c.bitsPerPixel, i));

  msvc1test::LibavMessages messages;
  zmbv::ZmbvEncoder encoder(c.width, c.height, c.bitsPerPixel, c.level, 0);
  zmbvtest::ZmbvDecoder decoder(c.width, c.height, encoder.BitsPerCodedSample());
  encoder.Load(frames[0].Bits(), frames[0].Stride(), frames[0].Palette());
  for (int i = 0; i < kFrames; ++i) {
    std::thread nextLoad;
    if (i + 1 < kFrames) {
      const Dib& next = frames[static_cast<std::size_t>(i) + 1];
      nextLoad = std::thread([&] { encoder.Load(next.Bits(), next.Stride(), next.Palette()); });
    }
    const zmbv::EncodedFrame frame = encoder.EncodeLoaded();
    const std::vector<std::uint8_t> bytes(frame.bytes.begin(), frame.bytes.end());
    const bool key = frame.keyFrame;
    if (nextLoad.joinable()) nextLoad.join();

    EXPECT_EQ(key, i == 0) << "frame " << i;
    const zmbvtest::ZmbvDecoder::Picture decoded = decoder.Decode(bytes);
    EXPECT_EQ(decoded.keyFrame, key) << "frame " << i;
    EXPECT_EQ(FirstDifference(Colours(frames[static_cast<std::size_t>(i)]), decoded.colours, c.width), "")
        << "frame " << i;
    EXPECT_EQ(messages.Take(), "") << "frame " << i;
  }
}

// Sides that are and are not multiples of the 16-pixel block, at every depth, at zlib's extremes
// and the entry's default.
INSTANTIATE_TEST_SUITE_P(SizesAndDepths, ZmbvSequence,
                         ::testing::Values(SequenceCase{64, 48, 32, 1}, SequenceCase{100, 61, 32, 9},
                                           SequenceCase{17, 33, 32, 0}, SequenceCase{64, 48, 16, 1},
                                           SequenceCase{100, 61, 16, 6}, SequenceCase{1, 1, 16, 1},
                                           SequenceCase{64, 48, 8, 1}, SequenceCase{100, 61, 8, 4},
                                           SequenceCase{31, 15, 8, 9}),
                         [](const auto& info) {
                           const SequenceCase& c = info.param;
                           return std::to_string(c.width) + "x" + std::to_string(c.height) + "_" +
                                  std::to_string(c.bitsPerPixel) + "bpp_level" + std::to_string(c.level);
                         });

struct KeyCase {
  const char* name;
  int keyFrameEvery;
  std::vector<int> forced;     // frames ForceKeyFrame is called before
  std::vector<bool> expected;  // key flag of each frame
};

// Key frames come at the first frame, every N-th and when forced, nowhere else; each decodes
// alone with a decoder that has seen nothing before it.
TEST(ZmbvKeyFrames, ComeWhereAskedAndDecodeAlone) {
  const std::vector<KeyCase> cases = {
      {"first only", 0, {}, {true, false, false, false, false, false, false}},
      {"every third", 3, {}, {true, false, false, true, false, false, true}},
      {"forced", 0, {2, 5}, {true, false, true, false, false, true, false}},
      {"forced and every fourth", 4, {1}, {true, true, false, false, true, false, false}},
  };
  constexpr int kWidth = 72, kHeight = 40;
  for (const int bits : {8, 16, 32}) {
    for (const KeyCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(bits) + " bpp");
      msvc1test::LibavMessages messages;
      zmbv::ZmbvEncoder encoder(kWidth, kHeight, bits, 1, c.keyFrameEvery);
      for (int i = 0; i < static_cast<int>(c.expected.size()); ++i) {
        const Dib dib = ScreenFrame(kWidth, kHeight, bits, i);
        if (std::find(c.forced.begin(), c.forced.end(), i) != c.forced.end()) encoder.ForceKeyFrame();
        const zmbv::EncodedFrame frame = encoder.Encode(dib.Bits(), dib.Stride(), dib.Palette());
        EXPECT_EQ(frame.keyFrame, c.expected[static_cast<std::size_t>(i)]) << "frame " << i;
        if (!frame.keyFrame) continue;
        zmbvtest::ZmbvDecoder fresh(kWidth, kHeight, encoder.BitsPerCodedSample());
        EXPECT_EQ(FirstDifference(Colours(dib), fresh.Decode(frame.bytes).colours, kWidth), "") << "frame " << i;
        EXPECT_EQ(messages.Take(), "") << "frame " << i;
      }
    }
  }
}

// A still screen costs a vector per block, which zlib folds to a few bytes, and still decodes.
TEST(ZmbvStillFrames, AreSmall) {
  constexpr int kWidth = 640, kHeight = 480;
  for (const int bits : {8, 16, 32}) {
    SCOPED_TRACE(std::to_string(bits) + " bpp");
    msvc1test::LibavMessages messages;
    const Dib dib = ScreenFrame(kWidth, kHeight, bits, 2);
    zmbv::ZmbvEncoder encoder(kWidth, kHeight, bits, 1, 0);
    zmbvtest::ZmbvDecoder decoder(kWidth, kHeight, encoder.BitsPerCodedSample());
    decoder.Decode(encoder.Encode(dib.Bits(), dib.Stride(), dib.Palette()).bytes);
    for (int i = 0; i < 3; ++i) {
      const zmbv::EncodedFrame still = encoder.Encode(dib.Bits(), dib.Stride(), dib.Palette());
      EXPECT_FALSE(still.keyFrame);
      // 1200 blocks: 2400 bytes of vectors before zlib.
      EXPECT_LT(still.bytes.size(), 64u);
      EXPECT_EQ(FirstDifference(Colours(dib), decoder.Decode(still.bytes).colours, kWidth), "");
    }
    EXPECT_EQ(messages.Take(), "");
  }
}

}  // namespace
