// Fitting a rectangle to a compressor's frame sizes.
#include <gtest/gtest.h>

#include <vector>

#include "camera/size_adaptation.h"

namespace {

using recording::CaptureRect;

TEST(SizeAdaptation, AlignsUpUnlessThatExceedsTheScreen) {
  struct Case {
    std::int32_t extent, step, screen, aligned;
  };
  const Case cases[] = {{101, 2, 1024, 102}, {101, 4, 1024, 104},   {101, 8, 1024, 104},  {101, 4, 103, 100},
                        {104, 4, 104, 104},  {100, 4, 100, 100},    {101, 4, 104, 104},   {1, 2, 1, 0},
                        {3, 8, 1024, 8},     {1023, 8, 1024, 1024}, {1023, 8, 1023, 1016}};
  for (const Case& c : cases) {
    EXPECT_EQ(recording::AlignedExtent(c.extent, c.step, c.screen), c.aligned)
        << c.extent << " step " << c.step << " screen " << c.screen;
  }
  // Only sizes are held against the screen: a rectangle far right keeps its left.
  EXPECT_EQ(recording::AlignedCandidate({900, 700, 101, 61}, 4, 1024, 768), (CaptureRect{900, 700, 104, 64}));
}

TEST(SizeAdaptation, AsksAboutTheRectangleThenStepsTwoFourEight) {
  std::vector<CaptureRect> asked;
  auto multiplesOf = [&](std::int32_t m) {
    return [&asked, m](const CaptureRect& r) {
      asked.push_back(r);
      return r.width % m == 0 && r.height % m == 0;
    };
  };
  CaptureRect rect{10, 20, 101, 60};
  EXPECT_TRUE(recording::AdaptToCompressor(rect, 1024, 768, multiplesOf(4)));
  EXPECT_EQ(rect, (CaptureRect{10, 20, 104, 60}));
  ASSERT_EQ(asked.size(), 3u) << "as it is, step 2, step 4";
  EXPECT_EQ(asked[1].width, 102);

  asked.clear();
  CaptureRect taken{0, 0, 64, 48};
  EXPECT_TRUE(recording::AdaptToCompressor(taken, 1024, 768, multiplesOf(8)));
  EXPECT_EQ(asked.size(), 1u) << "a rectangle the compressor takes is not changed";

  asked.clear();
  CaptureRect refused{5, 6, 101, 61};
  EXPECT_FALSE(recording::AdaptToCompressor(refused, 1024, 768, [&](const CaptureRect& r) {
    asked.push_back(r);
    return false;
  }));
  EXPECT_EQ(refused, (CaptureRect{5, 6, 101, 61})) << "refused everywhere: unchanged";
  ASSERT_EQ(asked.size(), 4u);
  EXPECT_EQ(asked[3], (CaptureRect{5, 6, 104, 64}));
}

}  // namespace
