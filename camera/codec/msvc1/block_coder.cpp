#include "camera/codec/msvc1/block_coder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace msvc1 {
namespace {

// Bit i of a flags word selects colour A (set) or colour B (clear) for pixel i. The decoder reads
// a flags word with bit 15 set as a one-colour or skip code, so pixel 15 must always take B.
constexpr unsigned kAllPixels = 0xFFFF;
constexpr unsigned kLastPixel = 0x8000;
// Pixels of the quadrant that holds pixel 15 (x 2..3, y 2..3).
constexpr unsigned kLastQuadrant = 0xCC00;

// The block's pixels regrouped quadrant by quadrant: quadrant q = (y / 2) * 2 + x / 2 holds
// positions 4q..4q+3 here.
constexpr int kQuadrantOrder[16] = {0, 1, 4, 5, 2, 3, 6, 7, 8, 9, 12, 13, 10, 11, 14, 15};

inline int Red(unsigned c) { return (c >> 10) & 31; }
inline int Green(unsigned c) { return (c >> 5) & 31; }
inline int Blue(unsigned c) { return c & 31; }
inline std::uint16_t Pack(int r, int g, int b) { return static_cast<std::uint16_t>((r << 10) | (g << 5) | b); }

inline std::uint8_t* Put16(std::uint8_t* out, unsigned value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
  return out + 2;
}

// Bits of the pixels equal to `colour`.
inline unsigned MatchMask(const std::uint16_t* pixels, std::uint16_t colour) {
  unsigned mask = 0;
  for (int i = 0; i < 16; ++i) mask |= static_cast<unsigned>(pixels[i] == colour) << i;
  return mask;
}

// round(sum / count) for sums of up to 16 five-bit values: a multiply by ceil(2^16 / d) gives the
// exact quotient for dividends below 2^16 / d, which 2 * 496 + 16 stays under for d <= 32.
constexpr auto kReciprocal = [] {
  std::array<std::uint32_t, 33> table{};
  for (std::uint32_t d = 1; d < table.size(); ++d) table[d] = (65536 + d - 1) / d;
  return table;
}();
inline int RoundedMean(int sum, int count) {
  return static_cast<int>((static_cast<std::uint32_t>(2 * sum + count) * kReciprocal[2 * count]) >> 16);
}

struct Planes {
  int r[16], g[16], b[16];
};

// Two colours for N pixels: `mask` bit i set means pixel i takes colour `a`.
struct TwoColourFit {
  unsigned mask = 0;
  std::uint16_t a = 0, b = 0;
  int error = 0;
};

// Error of coding a group by one colour c: sum |p - c|^2 from the group's sums.
inline int GroupError(int sumSquares, const int sum[3], const int c[3], int count) {
  return sumSquares - 2 * (c[0] * sum[0] + c[1] * sum[1] + c[2] * sum[2]) +
         count * (c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
}

// Colours for the split `mask` of the N pixels at `first`: the mean of each side, and the error.
template <int N>
TwoColourFit FitSplit(const Planes& p, int first, unsigned mask, const int total[3], int totalSquares) {
  int sumA[3] = {0, 0, 0};
  int squaresA = 0;
  for (int i = 0; i < N; ++i) {
    const int in = -static_cast<int>((mask >> i) & 1);  // all ones when pixel i takes A
    const int r = p.r[first + i] & in, g = p.g[first + i] & in, b = p.b[first + i] & in;
    sumA[0] += r;
    sumA[1] += g;
    sumA[2] += b;
    squaresA += r * r + g * g + b * b;
  }
  const int countA = std::popcount(mask);
  const int countB = N - countA;
  const int sumB[3] = {total[0] - sumA[0], total[1] - sumA[1], total[2] - sumA[2]};
  int colourA[3] = {0, 0, 0}, colourB[3] = {0, 0, 0};
  TwoColourFit fit;
  fit.mask = mask;
  if (countA) {
    for (int c = 0; c < 3; ++c) colourA[c] = RoundedMean(sumA[c], countA);
    fit.error += GroupError(squaresA, sumA, colourA, countA);
  }
  if (countB) {
    for (int c = 0; c < 3; ++c) colourB[c] = RoundedMean(sumB[c], countB);
    fit.error += GroupError(totalSquares - squaresA, sumB, colourB, countB);
  }
  fit.a = Pack(colourA[0], colourA[1], colourA[2]);
  fit.b = Pack(colourB[0], colourB[1], colourB[2]);
  return fit;
}

// Splits N pixels in two along the line between the extremes of their widest channel, then moves
// each pixel to the nearer of the two means once (one step of k-means: cheap, and it repairs
// splits of colours that the first line does not separate well).
template <int N>
TwoColourFit FitTwoColours(const Planes& p, int first) {
  const int* r = p.r + first;
  const int* g = p.g + first;
  const int* b = p.b + first;
  int total[3] = {0, 0, 0};
  int squares = 0;
  int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
  for (int i = 0; i < N; ++i) {
    total[0] += r[i];
    total[1] += g[i];
    total[2] += b[i];
    squares += r[i] * r[i] + g[i] * g[i] + b[i] * b[i];
    lo[0] = std::min(lo[0], r[i]), hi[0] = std::max(hi[0], r[i]);
    lo[1] = std::min(lo[1], g[i]), hi[1] = std::max(hi[1], g[i]);
    lo[2] = std::min(lo[2], b[i]), hi[2] = std::max(hi[2], b[i]);
  }
  const int* widest = r;
  int range = hi[0] - lo[0];
  if (hi[1] - lo[1] > range) widest = g, range = hi[1] - lo[1];
  if (hi[2] - lo[2] > range) widest = b, range = hi[2] - lo[2];
  int low = 0, high = 0;
  for (int i = 1; i < N; ++i) {
    if (widest[i] < widest[low]) low = i;
    if (widest[i] > widest[high]) high = i;
  }
  // Pixel i goes to A when its projection on (high - low) lies past the middle.
  const int ar = r[high] - r[low], ag = g[high] - g[low], ab = b[high] - b[low];
  const int middle = ar * (r[high] + r[low]) + ag * (g[high] + g[low]) + ab * (b[high] + b[low]);
  unsigned mask = 0;
  for (int i = 0; i < N; ++i)
    mask |= static_cast<unsigned>(2 * (ar * r[i] + ag * g[i] + ab * b[i]) > middle) << i;
  TwoColourFit fit = FitSplit<N>(p, first, mask, total, squares);
  if (fit.error == 0 || mask == 0) return fit;

  // Nearer to A than to B: 2 p.(A - B) > |A|^2 - |B|^2.
  const int dr = Red(fit.a) - Red(fit.b), dg = Green(fit.a) - Green(fit.b), db = Blue(fit.a) - Blue(fit.b);
  const int bound = Red(fit.a) * Red(fit.a) + Green(fit.a) * Green(fit.a) + Blue(fit.a) * Blue(fit.a) -
                    Red(fit.b) * Red(fit.b) - Green(fit.b) * Green(fit.b) - Blue(fit.b) * Blue(fit.b);
  unsigned nearer = 0;
  for (int i = 0; i < N; ++i)
    nearer |= static_cast<unsigned>(2 * (dr * r[i] + dg * g[i] + db * b[i]) > bound) << i;
  if (nearer == mask) return fit;
  const TwoColourFit refined = FitSplit<N>(p, first, nearer, total, squares);
  return refined.error < fit.error ? refined : fit;
}

std::uint8_t* WriteFill(std::uint16_t colour, std::uint8_t* out, std::uint16_t* decoded) {
  for (int i = 0; i < 16; ++i) decoded[i] = colour;
  // A one-colour code is the colour with bit 15 set; red 1 would read as a skip code, so such a
  // colour goes out as a two-colour block of one colour.
  if (Red(colour) == 1) {
    out = Put16(out, 0);
    out = Put16(out, colour);
    return Put16(out, colour);
  }
  return Put16(out, colour | 0x8000u);
}

std::uint8_t* WriteTwoColours(unsigned mask, std::uint16_t a, std::uint16_t b, std::uint8_t* out,
                              std::uint16_t* decoded) {
  if (mask & kLastPixel) {
    mask ^= kAllPixels;
    std::swap(a, b);
  }
  for (int i = 0; i < 16; ++i) decoded[i] = ((mask >> i) & 1) ? a : b;
  out = Put16(out, mask);
  out = Put16(out, a);  // bit 15 clear: two colours
  return Put16(out, b);
}

// `colours` holds A and B of each quadrant in turn; `mask` is in pixel order.
std::uint8_t* WriteEightColours(unsigned mask, std::uint16_t colours[8], std::uint8_t* out,
                                std::uint16_t* decoded) {
  if (mask & kLastPixel) {
    mask ^= kLastQuadrant;
    std::swap(colours[6], colours[7]);
  }
  for (int i = 0; i < 16; ++i) {
    const int quadrant = ((i >> 3) & 1) * 2 + ((i >> 1) & 1);
    decoded[i] = colours[2 * quadrant + (((mask >> i) & 1) ^ 1)];
  }
  out = Put16(out, mask);
  out = Put16(out, colours[0] | 0x8000u);  // bit 15 set: eight colours
  for (int c = 1; c < 8; ++c) out = Put16(out, colours[c]);
  return out;
}

}  // namespace

Thresholds ThresholdsForQuality(int quality) {
  quality = std::clamp(quality, 0, 10000);
  // Allowed root-mean-square error per sample, in 5-bit units: none at 10000, 3 levels at 0.
  const double rms = 3.0 * (10000 - quality) / 10000.0;
  const int limit = static_cast<int>(std::lround(48.0 * rms * rms));
  return Thresholds{limit, limit, limit};
}

int BlockError(const std::uint16_t* a, const std::uint16_t* b) {
  int error = 0;
  for (int i = 0; i < 16; ++i) {
    const int dr = Red(a[i]) - Red(b[i]), dg = Green(a[i]) - Green(b[i]), db = Blue(a[i]) - Blue(b[i]);
    error += dr * dr + dg * dg + db * db;
  }
  return error;
}

std::uint8_t* CodeBlock(const std::uint16_t* pixels, const Thresholds& thresholds, std::uint8_t* out,
                        std::uint16_t* decoded) {
  // Screens are mostly flat areas and text of two exact colours: check for those first.
  const unsigned first = MatchMask(pixels, pixels[0]);
  if (first == kAllPixels) return WriteFill(pixels[0], out, decoded);
  const std::uint16_t other = pixels[std::countr_zero(~first)];
  if ((first | MatchMask(pixels, other)) == kAllPixels)
    return WriteTwoColours(first, pixels[0], other, out, decoded);

  Planes p;
  for (int i = 0; i < 16; ++i) {
    p.r[i] = Red(pixels[i]);
    p.g[i] = Green(pixels[i]);
    p.b[i] = Blue(pixels[i]);
  }
  if (thresholds.fill > 0) {
    int sum[3] = {0, 0, 0}, squares = 0;
    for (int i = 0; i < 16; ++i) {
      sum[0] += p.r[i], sum[1] += p.g[i], sum[2] += p.b[i];
      squares += p.r[i] * p.r[i] + p.g[i] * p.g[i] + p.b[i] * p.b[i];
    }
    const int mean[3] = {(sum[0] + 8) >> 4, (sum[1] + 8) >> 4, (sum[2] + 8) >> 4};
    if (GroupError(squares, sum, mean, 16) <= thresholds.fill)
      return WriteFill(Pack(mean[0], mean[1], mean[2]), out, decoded);
  }

  const TwoColourFit two = FitTwoColours<16>(p, 0);
  if (two.error <= thresholds.twoColour) return WriteTwoColours(two.mask, two.a, two.b, out, decoded);

  Planes quadrants;
  for (int i = 0; i < 16; ++i) {
    quadrants.r[i] = p.r[kQuadrantOrder[i]];
    quadrants.g[i] = p.g[kQuadrantOrder[i]];
    quadrants.b[i] = p.b[kQuadrantOrder[i]];
  }
  std::uint16_t colours[8];
  unsigned mask = 0;
  int error = 0;
  for (int q = 0; q < 4; ++q) {
    const TwoColourFit fit = FitTwoColours<4>(quadrants, 4 * q);
    colours[2 * q] = fit.a;
    colours[2 * q + 1] = fit.b;
    error += fit.error;
    for (int i = 0; i < 4; ++i) mask |= ((fit.mask >> i) & 1u) << kQuadrantOrder[4 * q + i];
  }
  // The quadrant splits are heuristics too: keep the smaller code unless eight colours do better.
  if (two.error <= error) return WriteTwoColours(two.mask, two.a, two.b, out, decoded);
  return WriteEightColours(mask, colours, out, decoded);
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
