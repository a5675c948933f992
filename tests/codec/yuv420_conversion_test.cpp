// B,G,R,0 rows into 4:2:0 planes: BT.601 values at both ranges, row order and odd sizes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "camera/codec/yuv420_conversion.h"

namespace {

struct Planes {
  int width, height;
  std::vector<std::uint8_t> y, u, v;
  Planes(int w, int h)
      : width(w), height(h), y(std::size_t(w) * h), u(std::size_t((w + 1) / 2) * ((h + 1) / 2)), v(u.size()) {}
  bool Convert(const std::uint8_t* topRow, std::ptrdiff_t rowStep, bool fullRange) {
    std::uint8_t* planes[3] = {y.data(), u.data(), v.data()};
    const int strides[3] = {width, (width + 1) / 2, (width + 1) / 2};
    return codec::Bgr0ToYuv420(topRow, rowStep, width, height, fullRange, planes, strides);
  }
};

bool Near(int actual, int expected) { return std::abs(actual - expected) <= 1; }

TEST(Yuv420Conversion, FlatColoursGetTheirBt601ValuesAtStudioAndFullRange) {
  struct Case {
    std::uint8_t r, g, b;
    bool full;
    int y, u, v;
  };
  const Case cases[] = {
      {255, 255, 255, false, 235, 128, 128}, {0, 0, 0, false, 16, 128, 128},
      {255, 0, 0, false, 82, 90, 240},       {0, 0, 255, false, 41, 240, 110},
      {128, 128, 128, false, 126, 128, 128}, {255, 255, 255, true, 255, 128, 128},
      {0, 0, 0, true, 0, 128, 128},          {255, 0, 0, true, 76, 85, 255},
  };
  for (const Case& c : cases) {
    const int w = 6, h = 4;
    std::vector<std::uint8_t> rows(std::size_t(w) * h * 4);
    for (std::size_t i = 0; i < rows.size(); i += 4) {
      rows[i] = c.b;
      rows[i + 1] = c.g;
      rows[i + 2] = c.r;
      rows[i + 3] = 0x5a;  // the padding byte plays no part
    }
    Planes out(w, h);
    ASSERT_TRUE(out.Convert(rows.data(), 4 * w, c.full));
    const std::string what = std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) +
                             (c.full ? " full" : " studio");
    for (std::uint8_t y : out.y) EXPECT_TRUE(Near(y, c.y)) << what << ": Y " << int(y);
    for (std::uint8_t u : out.u) EXPECT_TRUE(Near(u, c.u)) << what << ": U " << int(u);
    for (std::uint8_t v : out.v) EXPECT_TRUE(Near(v, c.v)) << what << ": V " << int(v);
  }
}

TEST(Yuv420Conversion, BottomUpRowsComeOutTopRowFirstAtOddSizes) {
  // A 5 x 3 DIB, bottom row first in memory: the top row white, the rest black.
  const int w = 5, h = 3;
  const std::ptrdiff_t stride = 4 * w;
  std::vector<std::uint8_t> dib(std::size_t(stride) * h, 0);
  std::uint8_t* topRow = dib.data() + stride * (h - 1);
  for (int x = 0; x < 4 * w; ++x) topRow[x] = (x % 4 == 3) ? 0 : 255;
  Planes out(w, h);
  ASSERT_TRUE(out.Convert(topRow, -stride, false));
  for (int x = 0; x < w; ++x) {
    EXPECT_TRUE(Near(out.y[x], 235)) << "top row, x " << x;
    EXPECT_TRUE(Near(out.y[2 * w + x], 16)) << "bottom row, x " << x;
  }
  EXPECT_EQ(out.u.size(), 6u);  // 3 x 2 chroma samples: the odd column and row are covered too
  for (std::uint8_t u : out.u) EXPECT_TRUE(Near(u, 128)) << int(u);
}

TEST(Yuv420Conversion, RefusesAnEmptyPicture) {
  Planes out(2, 2);
  std::vector<std::uint8_t> rows(16);
  std::uint8_t* planes[3] = {out.y.data(), out.u.data(), out.v.data()};
  const int strides[3] = {2, 1, 1};
  EXPECT_FALSE(codec::Bgr0ToYuv420(rows.data(), 8, 0, 2, false, planes, strides));
  EXPECT_FALSE(codec::Bgr0ToYuv420(rows.data(), 8, 2, 0, false, planes, strides));
}

}  // namespace
