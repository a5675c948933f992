#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/dib_pixels.h"

namespace {

using platform::ScreenPixelFormat;

const ScreenPixelFormat kDepth24{24, 32, 0xff0000, 0x00ff00, 0x0000ff};
const ScreenPixelFormat kDepth16{16, 16, 0xf800, 0x07e0, 0x001f};
const ScreenPixelFormat kDepth15{15, 16, 0x7c00, 0x03e0, 0x001f};
const ScreenPixelFormat kDepth8{8, 8, 0, 0, 0};
const ScreenPixelFormat kPacked24{24, 24, 0xff0000, 0x00ff00, 0x0000ff};

TEST(DibStride, RowsArePaddedToWholeWords) {
  struct Case {
    long long width;
    unsigned bits;
    std::size_t stride;
  };
  const Case cases[] = {{320, 32, 1280}, {320, 24, 960}, {320, 16, 640}, {320, 8, 320}, {3, 24, 12},
                        {1, 24, 4},      {1, 1, 4},      {33, 1, 8},     {5, 4, 4}};
  for (const Case& c : cases) EXPECT_EQ(platform::DibStride(c.width, c.bits), c.stride) << c.width << "x" << c.bits;
}

// One 2 x 2 block of server pixels, converted; returns the DIB bytes (bottom row first).
std::vector<std::uint8_t> Convert(const ScreenPixelFormat& f, const std::vector<std::uint8_t>& src, int dibBits,
                                  const std::vector<std::uint32_t>& palette = {}) {
  const std::size_t srcStride = src.size() / 2;
  const std::size_t dstStride = platform::DibStride(2, static_cast<unsigned>(dibBits));
  std::vector<std::uint8_t> dst(dstStride * 2, 0xee);
  platform::ConvertToDibRows(src.data(), srcStride, f, 2, 2, dibBits, dst.data(), dstStride,
                             palette.empty() ? nullptr : palette.data(), palette.size());
  return dst;
}

TEST(ConvertToDibRows, TrueColourToBgr0BottomUpWithPaddingByteCleared) {
  // Top row: red, green; bottom row: blue, white. The server's padding byte holds garbage.
  const std::vector<std::uint8_t> src = {0, 0, 255, 0x7f, 0, 255, 0, 0x7f, 255, 0, 0, 0x7f, 255, 255, 255, 0x7f};
  const std::vector<std::uint8_t> expected = {255, 0, 0,   0, 255, 255, 255, 0,  // bottom row first
                                              0,   0, 255, 0, 0,   255, 0,   0};
  EXPECT_EQ(Convert(kDepth24, src, 32), expected);
}

TEST(ConvertToDibRows, TrueColourRowsOfEveryWidthKeepEachPixelAndClearOnlyPadding) {
  // Widths around the four-pixel steps of the row copy, with its tail, and odd strides.
  for (int width = 1; width <= 11; ++width) {
    const int height = 3;
    const std::size_t srcStride = 4 * static_cast<std::size_t>(width) + 8;
    std::vector<std::uint8_t> src(srcStride * height);
    for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::uint8_t>(i * 37 + 11);
    const std::size_t dstStride = platform::DibStride(width, 32);
    std::vector<std::uint8_t> dst(dstStride * height, 0xee);
    platform::ConvertToDibRows(src.data(), srcStride, kDepth24, width, height, 32, dst.data(), dstStride, nullptr, 0);
    for (int row = 0; row < height; ++row) {
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* in = &src[row * srcStride + 4 * x];
        const std::uint8_t* out = &dst[(height - 1 - row) * dstStride + 4 * x];
        EXPECT_TRUE(out[0] == in[0] && out[1] == in[1] && out[2] == in[2] && out[3] == 0)
            << "width " << width << " row " << row << " pixel " << x;
      }
    }
  }
}

TEST(ConvertToDibRows, SixteenBitScreensBecome555) {
  struct Case {
    ScreenPixelFormat format;
    std::uint16_t pixel;
    std::uint16_t dib555;
  };
  const Case cases[] = {
      {kDepth16, 0xf800, 0x7c00},                              // full red
      {kDepth16, 0x07e0, 0x03e0},                              // full green: 6 bits to 5
      {kDepth16, 0x001f, 0x001f},                              // full blue
      {kDepth16, 0x0020, 0x0000},                              // the lowest green bit has no place in 5-5-5
      {kDepth16, 0xffff, 0x7fff}, {kDepth15, 0x7c1f, 0x7c1f},  // already 5-5-5
      {kDepth15, 0x8000, 0x0000},                              // the unused top bit is dropped
  };
  for (const Case& c : cases) {
    std::vector<std::uint8_t> src(8);
    for (int i = 0; i < 4; ++i) std::memcpy(src.data() + 2 * i, &c.pixel, 2);
    const auto dst = Convert(c.format, src, 16);
    std::uint16_t out;
    std::memcpy(&out, dst.data(), 2);
    EXPECT_EQ(out, c.dib555) << std::hex << c.pixel;
  }
}

TEST(ConvertToDibRows, IndexedScreensKeepIndicesOrGoThroughThePalette) {
  const std::vector<std::uint8_t> src = {1, 2, 3, 0};
  const std::vector<std::uint32_t> palette = {0x000000, 0xff0000, 0x00ff00, 0x0000ff};
  const auto indices = Convert(kDepth8, src, 8, palette);
  EXPECT_EQ(indices[0], 3);  // bottom row first
  EXPECT_EQ(indices[1], 0);
  EXPECT_EQ(indices[4], 1);
  EXPECT_EQ(indices[5], 2);
  const auto rgb = Convert(kDepth8, src, 32, palette);
  const std::vector<std::uint8_t> expected = {255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0};
  EXPECT_EQ(rgb, expected);
}

TEST(ConvertToDibRows, PackedTwentyFourBitServerAndDib) {
  const std::vector<std::uint8_t> src = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const auto dst = Convert(kPacked24, src, 24);
  const std::vector<std::uint8_t> expected = {7, 8, 9, 10, 11, 12, 0xee, 0xee, 1, 2, 3, 4, 5, 6, 0xee, 0xee};
  EXPECT_EQ(dst, expected);  // the padding bytes are the caller's
}

}  // namespace
