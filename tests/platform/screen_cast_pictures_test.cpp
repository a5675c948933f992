// Rectangles cropped out of screen-cast pictures: monitors placed in logical coordinates, scaled
// outputs, both colour orders, and the parts no monitor covers.
#include "platform/screen_cast_pictures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using Colour = std::uint32_t;  // 0xRRGGBB

// A picture whose pixel (px, py) has the colour `at(px, py)`, stored in either byte order.
struct TestPicture {
  std::vector<std::uint8_t> bytes;
  platform::PlacedPicture placed;
};

TestPicture MakePicture(int width, int height, bool redFirst, int areaX, int areaY, int areaWidth, int areaHeight,
                        const std::function<Colour(int, int)>& at) {
  TestPicture picture;
  const std::size_t stride = static_cast<std::size_t>(width) * 4 + 12;  // padded, as buffers often are
  picture.bytes.assign(stride * static_cast<std::size_t>(height), 0x55);
  for (int py = 0; py < height; ++py) {
    for (int px = 0; px < width; ++px) {
      const Colour c = at(px, py);
      std::uint8_t* p = &picture.bytes[static_cast<std::size_t>(py) * stride + static_cast<std::size_t>(px) * 4];
      const std::uint8_t r = (c >> 16) & 0xff, g = (c >> 8) & 0xff, b = c & 0xff;
      p[0] = redFirst ? r : b;
      p[1] = g;
      p[2] = redFirst ? b : r;
      p[3] = 0x99;  // the unused byte carries nothing
    }
  }
  platform::PlacedPicture& placed = picture.placed;
  placed.pixels = picture.bytes.data();
  placed.stride = stride;
  placed.width = width;
  placed.height = height;
  placed.format.depth = 24;
  placed.format.bitsPerPixel = 32;
  placed.format.greenMask = 0xff00;
  placed.format.redMask = redFirst ? 0xff : 0xff0000;
  placed.format.blueMask = redFirst ? 0xff0000 : 0xff;
  placed.areaX = areaX;
  placed.areaY = areaY;
  placed.areaWidth = areaWidth;
  placed.areaHeight = areaHeight;
  return picture;
}

Colour Unique(int px, int py) { return static_cast<Colour>(0x100000 + px * 0x101 + py * 0x10000); }

struct Case {
  std::string name;
  std::vector<TestPicture> pictures;
  int x, y, width, height, dibBits;
  bool clearUncovered;
  // The colour expected at logical point (x, y); nothing where no monitor is.
  std::function<std::optional<Colour>(int, int)> expected;
};

constexpr std::uint8_t kUntouched = 0xab;

void Check(const Case& c) {
  SCOPED_TRACE(c.name);
  const std::size_t pixelBytes = static_cast<std::size_t>(c.dibBits / 8);
  const std::size_t used = static_cast<std::size_t>(c.width) * pixelBytes;
  const std::size_t stride = (used + 3) / 4 * 4;
  std::vector<std::uint8_t> dib(stride * static_cast<std::size_t>(c.height), kUntouched);
  std::vector<platform::PlacedPicture> placed;
  for (const TestPicture& p : c.pictures) placed.push_back(p.placed);
  platform::CropPictures(placed, c.x, c.y, c.width, c.height, c.dibBits, dib.data(), stride, c.clearUncovered);
  for (int line = 0; line < c.height; ++line) {
    const std::uint8_t* row = &dib[static_cast<std::size_t>(c.height - 1 - line) * stride];
    for (int column = 0; column < c.width; ++column) {
      const std::uint8_t* p = row + static_cast<std::size_t>(column) * pixelBytes;
      const std::optional<Colour> want = c.expected(c.x + column, c.y + line);
      const Colour got = static_cast<Colour>(p[0] | (p[1] << 8) | (p[2] << 16));
      if (want) {
        ASSERT_EQ(got, *want) << "at " << c.x + column << "," << c.y + line;
      } else {
        const std::uint8_t blank = c.clearUncovered ? 0 : kUntouched;
        ASSERT_TRUE(p[0] == blank && p[1] == blank && p[2] == blank)
            << "uncovered " << c.x + column << "," << c.y + line;
      }
    }
    for (std::size_t padding = used; padding < stride; ++padding) {
      ASSERT_EQ(row[padding], c.clearUncovered ? 0 : kUntouched) << "padding of line " << line;
    }
  }
}

TEST(ScreenCastPictures, CropsPlacesAndScalesMonitorsIntoDibRows) {
  std::vector<Case> cases;
  {
    Case c{"one monitor, unscaled, a rectangle inside it", {}, 3, 2, 5, 4, 32, true, nullptr};
    c.pictures.push_back(MakePicture(10, 8, false, 0, 0, 10, 8, Unique));
    c.expected = [](int x, int y) { return std::optional<Colour>(Unique(x, y)); };
    cases.push_back(std::move(c));
  }
  {
    // Output scale 2: each point is the pixel at its centre, (2x + 1, 2y + 1).
    Case c{"one monitor at scale 2", {}, 1, 1, 3, 2, 32, true, nullptr};
    c.pictures.push_back(MakePicture(8, 8, false, 0, 0, 4, 4, Unique));
    c.expected = [](int x, int y) { return std::optional<Colour>(Unique(2 * x + 1, 2 * y + 1)); };
    cases.push_back(std::move(c));
  }
  {
    // A rectangle across two monitors; the right one sends red first and lies one line lower.
    Case c{"across two monitors, each in its own colour order", {}, 2, 0, 5, 4, 24, true, nullptr};
    c.pictures.push_back(MakePicture(4, 4, false, 0, 0, 4, 4, Unique));
    c.pictures.push_back(MakePicture(4, 4, true, 4, 1, 4, 4, [](int px, int py) { return Unique(px, py) ^ 0xff; }));
    c.expected = [](int x, int y) -> std::optional<Colour> {
      if (x < 4) return Unique(x, y);
      if (y < 1) return std::nullopt;  // nothing above the lower monitor
      return Unique(x - 4, y - 1) ^ 0xff;
    };
    cases.push_back(std::move(c));
  }
  {
    Case c{"over the desktop's edge, the outside zeroed", {}, -2, -1, 5, 3, 24, true, nullptr};
    c.pictures.push_back(MakePicture(6, 6, false, 0, 0, 6, 6, Unique));
    c.expected = [](int x, int y) -> std::optional<Colour> {
      if (x < 0 || y < 0) return std::nullopt;
      return Unique(x, y);
    };
    cases.push_back(std::move(c));
  }
  {
    Case c{"over the desktop's edge, the outside left alone", {}, 4, 4, 3, 3, 32, false, nullptr};
    c.pictures.push_back(MakePicture(6, 6, false, 0, 0, 6, 6, Unique));
    c.expected = [](int x, int y) -> std::optional<Colour> {
      if (x >= 6 || y >= 6) return std::nullopt;
      return Unique(x, y);
    };
    cases.push_back(std::move(c));
  }
  for (const Case& c : cases) Check(c);
}

TEST(ScreenCastPictures, AreasAreFittedToTheXScreen) {
  struct Row {
    const char* name;
    std::vector<std::vector<int>> areas;  // x, y, w, h as the portal gives them; w = 0: none given
    std::vector<std::vector<int>> placed;
  };
  const Row rows[] = {
      {"no area: the whole screen", {{0, 0, 0, 0}}, {{0, 0, 960, 540}}},
      {"output pixels at scale 2", {{0, 0, 1920, 1080}}, {{0, 0, 960, 540}}},
      {"logical already", {{0, 0, 960, 540}}, {{0, 0, 960, 540}}},
      {"two monitors in output pixels",
       {{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}},
       {{0, 0, 480, 540}, {480, 0, 480, 540}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<platform::PlacedPicture> pictures(row.areas.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
      pictures[i].areaX = row.areas[i][0];
      pictures[i].areaY = row.areas[i][1];
      pictures[i].areaWidth = row.areas[i][2];
      pictures[i].areaHeight = row.areas[i][3];
    }
    platform::FitAreasToScreen(pictures, 960, 540);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
      EXPECT_EQ((std::vector<int>{pictures[i].areaX, pictures[i].areaY, pictures[i].areaWidth, pictures[i].areaHeight}),
                row.placed[i]);
    }
  }
}

}  // namespace
