#include "camera/codec/msvc1/block_coder.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <utility>

#include "camera/codec/msvc1/block_vectors.h"

namespace msvc1 {
namespace {

// Bit i of a flags word selects colour A (set) or colour B (clear) for pixel i. The decoder reads
// a flags word with bit 15 set as a one-colour or skip code, so pixel 15 must always take B.
constexpr unsigned kAllPixels = 0xFFFF;
constexpr unsigned kLastPixel = 0x8000;
// Pixels of the quadrant that holds pixel 15 (x 2..3, y 2..3).
constexpr unsigned kLastQuadrant = 0xCC00;

inline int Red(unsigned c) { return (c >> 10) & 31; }
inline int Green(unsigned c) { return (c >> 5) & 31; }
inline int Blue(unsigned c) { return c & 31; }
inline std::uint16_t Pack(int r, int g, int b) { return static_cast<std::uint16_t>((r << 10) | (g << 5) | b); }

// Without a popcount instruction in the baseline instruction set, a library call would be made.
constexpr int Popcount16(unsigned x) {
  x = x - ((x >> 1) & 0x5555);
  x = (x & 0x3333) + ((x >> 2) & 0x3333);
  x = (x + (x >> 4)) & 0x0F0F;
  return static_cast<int>((x + (x >> 8)) & 0x1F);
}

inline std::uint8_t* Put16(std::uint8_t* out, unsigned value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
  return out + 2;
}

// round(sum / count) for sums of up to 16 five-bit values: a multiply by ceil(2^16 / d) gives the
// exact quotient for dividends below 2^16 / d, which 2 * 496 + 16 stays under for d <= 32.
constexpr auto kReciprocal = [] {
  std::array<std::uint32_t, 33> table{};
  for (std::uint32_t d = 1; d < table.size(); ++d) table[d] = (65536 + d - 1) / d;
  return table;
}();
inline int RoundedMean(int sum, int count) {
  return static_cast<int>(
      (static_cast<std::uint32_t>(2 * sum + count) * kReciprocal[static_cast<std::size_t>(2 * count)]) >> 16);
}

// The same for the lanes of quadrant groups (count 0..4, sum up to 4 * 31): multiplies by
// ceil(1024 / 2n) are exact there and stay within 16 bits.
inline Lanes RoundedMeans(Lanes sum, Lanes count) {
  const Lanes reciprocal =
      Select(count == 1, Splat(512),
             Select(count == 2, Splat(256), Select(count == 3, Splat(171), Select(count == 4, Splat(128), Splat(0)))));
  return ((sum * 2 + count) * reciprocal) >> 10;
}

inline Lanes PackLanes(Lanes r, Lanes g, Lanes b) { return (r << 10) | (g << 5) | b; }

// A block's channels, each as two vectors (rows 0-1, rows 2-3), and r^2 + g^2 + b^2 per pixel.
struct Channels {
  Lanes r[2], g[2], b[2], squares[2];
};

Channels SplitChannels(const Lanes pixels[2]) {
  Channels c;
  for (int h = 0; h < 2; ++h) {
    c.r[h] = (pixels[h] >> 10) & 31;
    c.g[h] = (pixels[h] >> 5) & 31;
    c.b[h] = pixels[h] & 31;
    c.squares[h] = c.r[h] * c.r[h] + c.g[h] * c.g[h] + c.b[h] * c.b[h];
  }
  return c;
}

// Error of coding a group by one colour c: sum |p - c|^2 from the group's sums.
inline int GroupError(int sumSquares, const int sum[3], const int c[3], int count) {
  return sumSquares - 2 * (c[0] * sum[0] + c[1] * sum[1] + c[2] * sum[2]) +
         count * (c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
}

// Two colours for a block: `mask` bit i set means pixel i takes colour `a`.
struct TwoColourFit {
  unsigned mask = 0;
  std::uint16_t a = 0, b = 0;
  int error = 0;
};

// Colours and error of the split given by lane masks (all ones: colour A): the mean of each side.
TwoColourFit MeasureSplit(const Channels& c, Lanes inA0, Lanes inA1, const int total[3], int totalSquares) {
  const int sumA[3] = {SumAll(c.r[0] & inA0, c.r[1] & inA1), SumAll(c.g[0] & inA0, c.g[1] & inA1),
                       SumAll(c.b[0] & inA0, c.b[1] & inA1)};
  const int squaresA = SumAll(c.squares[0] & inA0, c.squares[1] & inA1);
  TwoColourFit fit;
  fit.mask = MaskBits(inA0, inA1);
  const int countA = Popcount16(fit.mask);
  const int countB = 16 - countA;
  const int sumB[3] = {total[0] - sumA[0], total[1] - sumA[1], total[2] - sumA[2]};
  int colourA[3] = {0, 0, 0}, colourB[3] = {0, 0, 0};
  if (countA) {
    for (int k = 0; k < 3; ++k) colourA[k] = RoundedMean(sumA[k], countA);
    fit.error += GroupError(squaresA, sumA, colourA, countA);
  }
  if (countB) {
    for (int k = 0; k < 3; ++k) colourB[k] = RoundedMean(sumB[k], countB);
    fit.error += GroupError(totalSquares - squaresA, sumB, colourB, countB);
  }
  fit.a = Pack(colourA[0], colourA[1], colourA[2]);
  fit.b = Pack(colourB[0], colourB[1], colourB[2]);
  return fit;
}

// Splits the block at the middle of its widest channel, then moves each pixel to the nearer of
// the two means once (one step of k-means: cheap, and it repairs splits that one channel
// cannot make well).
TwoColourFit FitTwoColours(const Channels& c, const int total[3], int totalSquares) {
  const Lanes* channels[3] = {c.r, c.g, c.b};
  int widest = 0, middle = 0, range = -1;
  for (int k = 0; k < 3; ++k) {
    const int low = FoldAll(Min(channels[k][0], channels[k][1]), kMin)[0];
    const int high = FoldAll(Max(channels[k][0], channels[k][1]), kMax)[0];
    if (high - low > range) range = high - low, widest = k, middle = low + high;
  }
  const Lanes* w = channels[widest];
  const TwoColourFit fit = MeasureSplit(c, w[0] * 2 > Splat(middle), w[1] * 2 > Splat(middle), total, totalSquares);
  if (fit.error == 0) return fit;

  // Nearer to A than to B: 2 p.(A - B) > |A|^2 - |B|^2.
  const Lanes dr = Splat(Red(fit.a) - Red(fit.b)), dg = Splat(Green(fit.a) - Green(fit.b)),
              db = Splat(Blue(fit.a) - Blue(fit.b));
  const Lanes bound = Splat(Red(fit.a) * Red(fit.a) + Green(fit.a) * Green(fit.a) + Blue(fit.a) * Blue(fit.a) -
                            Red(fit.b) * Red(fit.b) - Green(fit.b) * Green(fit.b) - Blue(fit.b) * Blue(fit.b));
  const Lanes nearer0 = (c.r[0] * dr + c.g[0] * dg + c.b[0] * db) * 2 > bound;
  const Lanes nearer1 = (c.r[1] * dr + c.g[1] * dg + c.b[1] * db) * 2 > bound;
  if (MaskBits(nearer0, nearer1) == fit.mask) return fit;
  const TwoColourFit refined = MeasureSplit(c, nearer0, nearer1, total, totalSquares);
  return refined.error < fit.error ? refined : fit;
}

// Two colours for each quadrant of half a block (a group of four lanes), every field broadcast
// over the group's lanes.
struct QuadrantFit {
  Lanes inA;  // lanes taking colour A
  Lanes a, b;
  Lanes meanA[3], meanB[3];
  Lanes error;
};

// `q` holds r, g, b and squares in quadrant lane order, `totals` their sums per group.
QuadrantFit MeasureQuadrants(const Lanes q[4], const Lanes totals[4], Lanes inA) {
  QuadrantFit fit;
  fit.inA = inA;
  const Lanes countA = -FoldGroups(inA, kAdd);
  const Lanes countB = Splat(4) - countA;
  Lanes dotA = Splat(0), dotB = Splat(0), normA = Splat(0), normB = Splat(0);
  for (int k = 0; k < 3; ++k) {
    const Lanes sumA = FoldGroups(q[k] & inA, kAdd);
    const Lanes sumB = totals[k] - sumA;
    fit.meanA[k] = RoundedMeans(sumA, countA);
    fit.meanB[k] = RoundedMeans(sumB, countB);
    dotA += fit.meanA[k] * sumA;
    dotB += fit.meanB[k] * sumB;
    normA += fit.meanA[k] * fit.meanA[k];
    normB += fit.meanB[k] * fit.meanB[k];
  }
  const Lanes squaresA = FoldGroups(q[3] & inA, kAdd);
  const Lanes squaresB = totals[3] - squaresA;
  // Each side's error stays within 16 bits: at most 4 * 3 * 31^2.
  const Lanes errorA = squaresA - dotA * 2 + countA * normA;
  const Lanes errorB = squaresB - dotB * 2 + countB * normB;
  fit.error = errorA + errorB;
  fit.a = PackLanes(fit.meanA[0], fit.meanA[1], fit.meanA[2]);
  fit.b = PackLanes(fit.meanB[0], fit.meanB[1], fit.meanB[2]);
  return fit;
}

// The quadrants of one half block: split at the middle of each quadrant's widest channel, then
// one step of k-means where it helps.
QuadrantFit FitQuadrants(Lanes r, Lanes g, Lanes b, Lanes squares) {
  const Lanes q[4] = {SwapQuadrantLanes(r), SwapQuadrantLanes(g), SwapQuadrantLanes(b), SwapQuadrantLanes(squares)};
  Lanes totals[4];
  for (int k = 0; k < 4; ++k) totals[k] = FoldGroups(q[k], kAdd);
  Lanes widest = q[0], middle = Splat(0), range = Splat(-1);
  for (int k = 0; k < 3; ++k) {
    const Lanes low = FoldGroups(q[k], kMin), high = FoldGroups(q[k], kMax);
    const Lanes wider = (high - low) > range;
    range = Select(wider, high - low, range);
    widest = Select(wider, q[k], widest);
    middle = Select(wider, low + high, middle);
  }
  const QuadrantFit fit = MeasureQuadrants(q, totals, widest * 2 > middle);

  Lanes bound = Splat(0), projection = Splat(0);
  for (int k = 0; k < 3; ++k) {
    projection += q[k] * (fit.meanA[k] - fit.meanB[k]);
    bound += fit.meanA[k] * fit.meanA[k] - fit.meanB[k] * fit.meanB[k];
  }
  const Lanes nearer = projection * 2 > bound;
  // Worth another look only where a pixel would move in a quadrant not coded exactly yet; two-colour
  // quadrants (text) are exact at once.
  const Lanes worthTrying = (nearer != fit.inA) & (fit.error != 0);
  if (MaskBits(worthTrying, Splat(0)) == 0) return fit;
  const QuadrantFit refined = MeasureQuadrants(q, totals, nearer);
  const Lanes better = refined.error < fit.error;
  QuadrantFit best;
  best.inA = Select(better, refined.inA, fit.inA);
  best.a = Select(better, refined.a, fit.a);
  best.b = Select(better, refined.b, fit.b);
  best.error = Select(better, refined.error, fit.error);
  return best;
}

std::uint8_t* WriteFill(std::uint16_t colour, std::uint8_t* out) {
  // A one-colour code is the colour with bit 15 set; red 1 would read as a skip code, so such a
  // colour goes out as a two-colour block of one colour.
  if (Red(colour) == 1) {
    out = Put16(out, 0);
    out = Put16(out, colour);
    return Put16(out, colour);
  }
  return Put16(out, colour | 0x8000u);
}

std::uint8_t* WriteTwoColours(unsigned mask, std::uint16_t a, std::uint16_t b, std::uint8_t* out) {
  if (mask & kLastPixel) {
    mask ^= kAllPixels;
    std::swap(a, b);
  }
  out = Put16(out, mask);
  out = Put16(out, a);  // bit 15 clear: two colours
  return Put16(out, b);
}

// `colours` holds A and B of each quadrant in turn; `mask` is in pixel order.
std::uint8_t* WriteEightColours(unsigned mask, std::uint16_t colours[8], std::uint8_t* out) {
  if (mask & kLastPixel) {
    mask ^= kLastQuadrant;
    std::swap(colours[6], colours[7]);
  }
  out = Put16(out, mask);
  out = Put16(out, colours[0] | 0x8000u);  // bit 15 set: eight colours
  for (int k = 1; k < 8; ++k) out = Put16(out, colours[k]);
  return out;
}

void StoreTwoColours(unsigned mask, std::uint16_t a, std::uint16_t b, std::uint16_t* decoded, std::size_t pitch) {
  StoreRows(Select(LanesFromBits(mask), Splat(a), Splat(b)), decoded, pitch);
  StoreRows(Select(LanesFromBits(mask >> 8), Splat(a), Splat(b)), decoded + 2 * pitch, pitch);
}

}  // namespace

Thresholds ThresholdsForQuality(int quality) {
  quality = std::clamp(quality, 0, 10000);
  // Allowed root-mean-square error per sample, in 5-bit units: none at 10000, 3 levels at 0.
  const double rms = 3.0 * (10000 - quality) / 10000.0;
  const int limit = static_cast<int>(std::lround(48.0 * rms * rms));
  // A kept block is stale, not merely approximate: a slight change over a whole block (a button
  // lighting up under the pointer) should still get through, so skips tolerate a quarter.
  return Thresholds{limit / 4, limit, limit};
}

int BlockError(const std::uint16_t* a, const std::uint16_t* b, std::size_t pitch) {
  Lanes squares[2];
  for (std::size_t h = 0; h < 2; ++h) {
    const Lanes x = LoadRows(a + 2 * h * pitch, pitch), y = LoadRows(b + 2 * h * pitch, pitch);
    const Lanes dr = ((x >> 10) & 31) - ((y >> 10) & 31);
    const Lanes dg = ((x >> 5) & 31) - ((y >> 5) & 31);
    const Lanes db = (x & 31) - (y & 31);
    squares[h] = dr * dr + dg * dg + db * db;
  }
  return SumAll(squares[0], squares[1]);
}

std::uint8_t* CodeBlock(const std::uint16_t* pixels, std::size_t pitch, const Thresholds& thresholds, std::uint8_t* out,
                        std::uint16_t* decoded) {
  const Lanes px[2] = {LoadRows(pixels, pitch), LoadRows(pixels + 2 * pitch, pitch)};
  // Screens are mostly flat areas and text of two exact colours: check for those first.
  const std::uint16_t first = static_cast<std::uint16_t>(px[0][0]);
  const unsigned same = MaskBits(px[0] == Splat(first), px[1] == Splat(first));
  if (same == kAllPixels) {
    StoreTwoColours(0, first, first, decoded, pitch);
    return WriteFill(first, out);
  }
  const int otherIndex = __builtin_ctz(~same);
  const std::uint16_t other = static_cast<std::uint16_t>(px[otherIndex >> 3][otherIndex & 7]);
  if ((same | MaskBits(px[0] == Splat(other), px[1] == Splat(other))) == kAllPixels) {
    StoreRows(px[0], decoded, pitch);
    StoreRows(px[1], decoded + 2 * pitch, pitch);
    return WriteTwoColours(same, first, other, out);
  }

  const Channels c = SplitChannels(px);
  const int total[3] = {SumAll(c.r[0], c.r[1]), SumAll(c.g[0], c.g[1]), SumAll(c.b[0], c.b[1])};
  const int squares = SumAll(c.squares[0], c.squares[1]);
  if (thresholds.fill > 0) {
    const int mean[3] = {(total[0] + 8) >> 4, (total[1] + 8) >> 4, (total[2] + 8) >> 4};
    if (GroupError(squares, total, mean, 16) <= thresholds.fill) {
      const std::uint16_t colour = Pack(mean[0], mean[1], mean[2]);
      StoreTwoColours(0, colour, colour, decoded, pitch);
      return WriteFill(colour, out);
    }
  }

  // With no error allowed, two colours would have to be exact, and exact pairs are handled above.
  TwoColourFit two;
  two.error = INT_MAX;
  if (thresholds.twoColour > 0) two = FitTwoColours(c, total, squares);
  if (two.error > thresholds.twoColour) {
    const QuadrantFit top = FitQuadrants(c.r[0], c.g[0], c.b[0], c.squares[0]);
    const QuadrantFit bottom = FitQuadrants(c.r[1], c.g[1], c.b[1], c.squares[1]);
    const int error = top.error[0] + top.error[4] + bottom.error[0] + bottom.error[4];
    // The quadrant splits are heuristics too: keep the smaller code unless eight colours do better.
    if (error < two.error) {
      std::uint16_t colours[8] = {static_cast<std::uint16_t>(top.a[0]),    static_cast<std::uint16_t>(top.b[0]),
                                  static_cast<std::uint16_t>(top.a[4]),    static_cast<std::uint16_t>(top.b[4]),
                                  static_cast<std::uint16_t>(bottom.a[0]), static_cast<std::uint16_t>(bottom.b[0]),
                                  static_cast<std::uint16_t>(bottom.a[4]), static_cast<std::uint16_t>(bottom.b[4])};
      StoreRows(SwapQuadrantLanes(Select(top.inA, top.a, top.b)), decoded, pitch);
      StoreRows(SwapQuadrantLanes(Select(bottom.inA, bottom.a, bottom.b)), decoded + 2 * pitch, pitch);
      const unsigned mask = MaskBits(SwapQuadrantLanes(top.inA), SwapQuadrantLanes(bottom.inA));
      return WriteEightColours(mask, colours, out);
    }
  }
  StoreTwoColours(two.mask, two.a, two.b, decoded, pitch);
  return WriteTwoColours(two.mask, two.a, two.b, out);
}

std::uint8_t* WriteSkips(std::int64_t count, std::uint8_t* out) {
  while (count > 0) {
    const int run = static_cast<int>(std::min<std::int64_t>(count, kMaxSkipRun));
    out = Put16(out, 0x8400u + static_cast<unsigned>(run));
    count -= run;
  }
  return out;
}

}  // namespace msvc1
