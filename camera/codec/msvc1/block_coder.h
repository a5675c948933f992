#pragma once
// Codes single 4x4 blocks of 5-5-5 pixels as Video 1 16-bit block codes.
//
// A block is 16 pixels indexed y * 4 + x, where y = 0 is the block's first row in the stream
// (the lowest screen row of the block: DIB rows run bottom-up, and so does the decoder).
// Errors are sums of squared channel differences in 5-bit units over the 48 samples of a block.
#include <cstddef>
#include <cstdint>

namespace msvc1 {

// Largest block errors accepted for each way of coding a block.
struct Thresholds {
  int skip = 0;       // keep what the decoder shows
  int fill = 0;       // one colour
  int twoColour = 0;  // two colours; beyond it a block gets eight colours
};

// 10000 accepts no error at all; lower qualities allow more, growing with the square of the loss.
Thresholds ThresholdsForQuality(int quality);

// Blocks are read from (and written to) pictures in place: `pitch` is the distance between
// the block's rows, in pixels.

// Error between two blocks.
int BlockError(const std::uint16_t* a, const std::uint16_t* b, std::size_t pitch);

// Codes the block at `pixels` (15-bit values) at `out`, writes the 16 pixels the decoder will show
// into the block at `decoded`, and returns the end of the code (at most kMaxBlockBytes further).
std::uint8_t* CodeBlock(const std::uint16_t* pixels, std::size_t pitch, const Thresholds& thresholds, std::uint8_t* out,
                        std::uint16_t* decoded);

constexpr std::size_t kMaxBlockBytes = 18;
constexpr int kMaxSkipRun = 1023;

// Writes skip codes for `count` blocks; returns the end.
std::uint8_t* WriteSkips(std::int64_t count, std::uint8_t* out);

}  // namespace msvc1
