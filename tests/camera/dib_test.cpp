// Packed DIBs: sizes and header, conversion of server-format images, release, the memory blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "camera/scrcam_dib.h"
#include "camera/scrcam_server_image.h"
#include "platform/global_memory.h"
#include "tests/camera/camera_test_util.h"

using cameratest::DibView;

namespace {

platform::ScreenPixelFormat Format(int depth, int bpp, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  platform::ScreenPixelFormat f;
  f.depth = depth;
  f.bitsPerPixel = bpp;
  f.redMask = r;
  f.greenMask = g;
  f.blueMask = b;
  return f;
}

// A server image of the size and layout a display of `bits` per pixel has, every pixel zero.
TServerImage BlankImage(int width, int height, int bits) {
  platform::ScreenPixelFormat format;
  switch (bits) {
    case 32: format = Format(24, 32, 0xff0000, 0xff00, 0xff); break;
    case 24: format = Format(24, 24, 0xff0000, 0xff00, 0xff); break;
    case 16: format = Format(16, 16, 0xf800, 0x07e0, 0x001f); break;
    default: format = Format(8, 8, 0, 0, 0); break;
  }
  const std::size_t stride = static_cast<std::size_t>((width * format.bitsPerPixel + 31) / 32 * 4);
  return TServerImage(width, height, format, std::vector<std::uint8_t>(stride * height), stride,
                      bits == 8 ? std::vector<std::uint32_t>(256) : std::vector<std::uint32_t>{});
}

struct LayoutCase {
  int width, height, bits;
  std::size_t stride, sizeImage, clrUsed, pixelOffset, blockSize;
};

class PackedDibSize : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(PackedDibSize, HeaderAndBlockFollowTheLayout) {
  const LayoutCase c = GetParam();
  TServerImage image = BlankImage(c.width, c.height, c.bits);
  platform::GlobalHandle_t block = BitmapToPackedDib(image, c.bits);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(platform::GlobalLockCount(block), 0) << "handed out unlocked";
  EXPECT_EQ(platform::GlobalSize(block), c.blockSize);
  PackedDib frame = platform::GlobalLock(block);
  const DibView dib(frame);
  EXPECT_EQ(dib.U32(0), 40u);
  EXPECT_EQ(dib.Width(), c.width);
  EXPECT_EQ(dib.Height(), c.height);
  EXPECT_EQ(dib.U16(12), 1);
  EXPECT_EQ(dib.Bits(), c.bits);
  EXPECT_EQ(dib.U32(16), 0u);
  EXPECT_EQ(dib.SizeImage(), c.sizeImage);
  EXPECT_EQ(dib.U32(24), 0u);
  EXPECT_EQ(dib.U32(28), 0u);
  EXPECT_EQ(dib.ClrUsed(), c.clrUsed);
  EXPECT_EQ(dib.U32(36), 0u);
  EXPECT_EQ(static_cast<std::size_t>(dib.Pixels() - dib.base), c.pixelOffset);
  const TPackedDibLayout layout = PackedDibLayout(c.width, c.height, c.bits);
  EXPECT_EQ(layout.stride, c.stride);
  FreeFrame(frame);
  EXPECT_EQ(frame, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Table, PackedDibSize,
                         ::testing::Values(LayoutCase{320, 200, 32, 1280, 256000, 0, 40, 256040},
                                           LayoutCase{320, 200, 24, 960, 192000, 0, 40, 192040},
                                           LayoutCase{320, 200, 16, 640, 128000, 0, 40, 128040},
                                           LayoutCase{320, 200, 8, 320, 64000, 256, 1064, 65064},
                                           LayoutCase{3, 5, 24, 12, 60, 0, 40, 100},
                                           LayoutCase{1, 5, 24, 4, 20, 0, 40, 60}));

TEST(PackedDibLayout, RefusesWhatTheHeaderCannotHold) {
  EXPECT_FALSE(PackedDibLayout(70000, 70000, 32).valid) << "19.6 GB of pixels overflow biSizeImage";
  EXPECT_FALSE(PackedDibLayout(-1, 10, 32).valid);
  EXPECT_TRUE(PackedDibLayout(0x7fffffff, 1, 8).valid) << "width x bits is computed in 64 bits";
  EXPECT_EQ(PackedDibLayout(0x7fffffff, 1, 8).stride, 0x80000000u);
}

TEST(BitmapToPackedDib, ConvertsTrueColourToBottomUpRowsAt24And16Bits) {
  // Two rows of three 32-bit server pixels (B, G, R, pad), top row first.
  const std::vector<std::uint32_t> pixels = {0x112233, 0x445566, 0x778899,   // top
                                             0xaabbcc, 0xddeeff, 0xff0008};  // bottom
  std::vector<std::uint8_t> rows(pixels.size() * 4);
  std::memcpy(rows.data(), pixels.data(), rows.size());
  TServerImage image(3, 2, Format(24, 32, 0xff0000, 0xff00, 0xff), rows, 12);

  platform::GlobalHandle_t block = BitmapToPackedDib(image, 24);
  ASSERT_NE(block, nullptr);
  PackedDib frame = platform::GlobalLock(block);
  const std::uint8_t* p = DibView(frame).Pixels();
  // Bottom row first, B G R, rows filled up to 12 bytes with zeros.
  const std::vector<std::uint8_t> expected = {0xcc, 0xbb, 0xaa, 0xff, 0xee, 0xdd, 0x08, 0x00, 0xff, 0, 0, 0,
                                              0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0x99, 0x88, 0x77, 0, 0, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(p, p + 24), expected);
  FreeFrame(frame);

  block = BitmapToPackedDib(image, 16);
  frame = platform::GlobalLock(block);
  const DibView dib(frame);
  EXPECT_EQ(dib.Raw(0, 0), cameratest::DibValue(0x112233, 16));
  EXPECT_EQ(dib.Raw(2, 1), cameratest::DibValue(0xff0008, 16));
  EXPECT_EQ(dib.Raw(2, 1), (0x1fu << 10) | 0x01u);
  FreeFrame(frame);
}

TEST(BitmapToPackedDib, KeepsIndicesAndFillsTheColourTableAt8Bits) {
  std::vector<std::uint32_t> palette(256);
  for (int i = 0; i < 256; ++i) palette[i] = static_cast<std::uint32_t>(i * 0x010203) & 0xffffff;
  // 3 x 2 indexed pixels, rows 4 bytes apart.
  const std::vector<std::uint8_t> rows = {7, 200, 13, 0, 255, 1, 128, 0};
  TServerImage image(3, 2, Format(8, 8, 0, 0, 0), rows, 4, palette);
  platform::GlobalHandle_t block = BitmapToPackedDib(image, 8);
  ASSERT_NE(block, nullptr);
  PackedDib frame = platform::GlobalLock(block);
  const DibView dib(frame);
  EXPECT_EQ(dib.ClrUsed(), 256u);
  for (int i : {0, 1, 7, 200, 255}) {
    const std::uint8_t* entry = dib.base + 40 + 4 * i;
    EXPECT_EQ(entry[0], palette[i] & 0xff);
    EXPECT_EQ(entry[1], (palette[i] >> 8) & 0xff);
    EXPECT_EQ(entry[2], (palette[i] >> 16) & 0xff);
    EXPECT_EQ(entry[3], 0);
  }
  const std::uint8_t* p = dib.Pixels();
  EXPECT_EQ(std::vector<std::uint8_t>(p, p + 8), (std::vector<std::uint8_t>{255, 1, 128, 0, 7, 200, 13, 0}));
  FreeFrame(frame);
}

TEST(BitmapToPackedDib, UnreadablePixelsGiveNoBlockAndSaySo) {
  cameratest::BoxWatcher boxes;
  std::vector<std::uint8_t> rows(3 * 4, 0xab);
  TServerImage image(3, 1, Format(24, 32, 0xff0000, 0xff00, 0xff), rows, 12);
  bool unreadable = false;
  EXPECT_EQ(BitmapToPackedDib(image, 12, &unreadable), nullptr);  // no conversion to 12 bits
  EXPECT_TRUE(unreadable);
  EXPECT_EQ(boxes.Log(), "") << "the caller tells the user";
  platform::GlobalHandle_t block = BitmapToPackedDib(image, 24, &unreadable);
  ASSERT_NE(block, nullptr);
  EXPECT_FALSE(unreadable);
  platform::GlobalFree(block);
}

TEST(FreeFrame, ReleasesTheBlockAndClearsTheReference) {
  PackedDib none = nullptr;
  FreeFrame(none);
  EXPECT_EQ(none, nullptr);

  platform::GlobalHandle_t block = platform::GlobalAlloc(0x42, 100);
  PackedDib frame = platform::GlobalLock(block);
  ASSERT_EQ(platform::GlobalHandle(frame), block);
  FreeFrame(frame);
  EXPECT_EQ(frame, nullptr);
  FreeFrame(frame);  // twice is harmless
}

TEST(GlobalMemory, BlocksAreZeroFilledLockedAndFoundByPointer) {
  platform::GlobalHandle_t block = platform::GlobalAlloc(platform::GMEM_MOVEABLE | platform::GMEM_ZEROINIT, 1 << 20);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(platform::GlobalSize(block), 1u << 20);
  auto* bytes = static_cast<std::uint8_t*>(platform::GlobalLock(block));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(bytes) % 16, 0u);
  EXPECT_EQ(std::count(bytes, bytes + (1 << 20), 0), 1 << 20);
  EXPECT_EQ(platform::GlobalLock(block), bytes) << "a block never moves";
  EXPECT_EQ(platform::GlobalLockCount(block), 2);
  EXPECT_TRUE(platform::GlobalUnlock(block));
  EXPECT_FALSE(platform::GlobalUnlock(block));
  EXPECT_FALSE(platform::GlobalUnlock(block)) << "no lock below zero";
  EXPECT_EQ(platform::GlobalHandle(bytes), block);
  EXPECT_EQ(platform::GlobalFree(block), nullptr);

  EXPECT_EQ(platform::GlobalAlloc(0x42, SIZE_MAX - 8), nullptr);
  EXPECT_EQ(platform::GlobalLock(nullptr), nullptr);
  EXPECT_EQ(platform::GlobalHandle(nullptr), nullptr);
}

}  // namespace
