#pragma once
// Eight 16-bit lanes, as GCC's generic vectors: SSE2 on x86-64, NEON on ARM, plain code elsewhere.
// A 4x4 block is two of them: rows 0-1 and rows 2-3.
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace msvc1 {

using Lanes = std::int16_t __attribute__((vector_size(16)));
using ULanes = std::uint16_t __attribute__((vector_size(16)));

inline Lanes Splat(int v) { return Lanes{} + static_cast<std::int16_t>(v); }

inline Lanes Select(Lanes mask, Lanes a, Lanes b) { return (mask & a) | (~mask & b); }
inline Lanes Min(Lanes a, Lanes b) { return Select(a < b, a, b); }
inline Lanes Max(Lanes a, Lanes b) { return Select(a > b, a, b); }

// Two rows of four pixels, `pitch` pixels apart.
inline Lanes LoadRows(const std::uint16_t* p, std::size_t pitch) {
  std::uint64_t rows[2];
  std::memcpy(&rows[0], p, 8);
  std::memcpy(&rows[1], p + pitch, 8);
  Lanes v;
  std::memcpy(&v, rows, 16);
  return v;
}

inline void StoreRows(Lanes v, std::uint16_t* p, std::size_t pitch) {
  std::memcpy(p, &v, 8);
  std::memcpy(p + pitch, reinterpret_cast<const char*>(&v) + 8, 8);
}

// Bit i set where lane i of `low` (i < 8) or lane i - 8 of `high` is all ones.
inline unsigned MaskBits(Lanes low, Lanes high) {
#if defined(__SSE2__)
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(__m128i(low), __m128i(high))));
#else
  unsigned bits = 0;
  for (int i = 0; i < 8; ++i) bits |= (low[i] ? 1u << i : 0u) | (high[i] ? 1u << (i + 8) : 0u);
  return bits;
#endif
}

// All ones in lane i where bit i of `bits` (eight bits) is set.
inline Lanes LanesFromBits(unsigned bits) {
  const Lanes single = {1, 2, 4, 8, 16, 32, 64, 128};
  return (Splat(static_cast<int>(bits & 0xFF)) & single) != 0;
}

// Folds each group of four lanes (0-3, 4-7) with `op`; every lane gets its group's result.
template <typename Vector, typename Op>
inline Vector FoldGroups(Vector v, Op op) {
  v = op(v, __builtin_shuffle(v, Vector{1, 0, 3, 2, 5, 4, 7, 6}));
  return op(v, __builtin_shuffle(v, Vector{2, 3, 0, 1, 6, 7, 4, 5}));
}

// Folds all eight lanes; every lane gets the result.
template <typename Vector, typename Op>
inline Vector FoldAll(Vector v, Op op) {
  v = FoldGroups(v, op);
  return op(v, __builtin_shuffle(v, Vector{4, 5, 6, 7, 0, 1, 2, 3}));
}

constexpr auto kAdd = [](auto a, auto b) { return a + b; };
constexpr auto kMin = [](Lanes a, Lanes b) { return Min(a, b); };
constexpr auto kMax = [](Lanes a, Lanes b) { return Max(a, b); };

// Sum of the lanes of both vectors, for sums below 65536.
inline int SumAll(Lanes a, Lanes b) { return FoldAll(ULanes(a) + ULanes(b), kAdd)[0]; }

// Rows 0-1 of a block hold quadrants 0 and 1 as lane pairs (0,1 4,5) and (2,3 6,7); swapping the
// middle pairs makes each quadrant a group of four lanes. The swap is its own inverse.
inline Lanes SwapQuadrantLanes(Lanes v) { return __builtin_shuffle(v, Lanes{0, 1, 4, 5, 2, 3, 6, 7}); }

}  // namespace msvc1
