#include "platform/global_memory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr std::size_t kFrameBytes = 3840 * 2160 * 4;

// Fills a new block of kFrameBytes with `value`, frees it, and returns a fresh block of the same size.
platform::GlobalHandle_t FreeFilledThenAllocate(unsigned flags, std::uint8_t value) {
  platform::GlobalHandle_t first = platform::GlobalAlloc(0, kFrameBytes);
  std::memset(platform::GlobalLock(first), value, kFrameBytes);
  platform::GlobalUnlock(first);
  platform::GlobalFree(first);
  return platform::GlobalAlloc(flags, kFrameBytes);
}

bool AllBytesAre(platform::GlobalHandle_t block, std::uint8_t value) {
  const auto* bytes = static_cast<const std::uint8_t*>(platform::GlobalLock(block));
  bool same = true;
  for (std::size_t i = 0; i < kFrameBytes && same; i += 4093) same = bytes[i] == value;
  same = same && bytes[kFrameBytes - 1] == value;
  platform::GlobalUnlock(block);
  return same;
}

// A block that came back from the system is all zeros, so the old bytes show a recycled one.
TEST(LargeBlockRecycling, ReusesTheLastFreedFrameAndStillZeroesWhenAsked) {
  const platform::LargeBlockRecycling recycling;
  platform::GlobalHandle_t reused = FreeFilledThenAllocate(0, 0xA5);
  ASSERT_NE(reused, nullptr);
  EXPECT_TRUE(AllBytesAre(reused, 0xA5));
  EXPECT_EQ(platform::GlobalSize(reused), kFrameBytes);
  EXPECT_EQ(platform::GlobalLockCount(reused), 0);
  platform::GlobalFree(reused);

  platform::GlobalHandle_t zeroed = FreeFilledThenAllocate(platform::GMEM_ZEROINIT, 0x5A);
  EXPECT_TRUE(AllBytesAre(zeroed, 0));
  platform::GlobalFree(zeroed);
}

}  // namespace
