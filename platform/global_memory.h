#pragma once
// Movable memory blocks addressed by handle: allocate, lock to get the bytes, unlock, find the block
// of a locked pointer, free. The blocks never actually move, so a locked pointer stays valid until
// the block is freed.
#include <cstddef>
#include <cstdint>

namespace platform {

struct GlobalBlock;
using GlobalHandle_t = GlobalBlock*;

constexpr unsigned GMEM_MOVEABLE = 0x0002;
constexpr unsigned GMEM_ZEROINIT = 0x0040;

// A block of `bytes` bytes, zero-filled when `flags` holds GMEM_ZEROINIT; null when it cannot be had.
GlobalHandle_t GlobalAlloc(unsigned flags, std::size_t bytes);
// The block's first byte, and one more lock; null for a null or unknown handle.
void* GlobalLock(GlobalHandle_t block);
// One lock less; true while the block is still locked afterwards.
bool GlobalUnlock(GlobalHandle_t block);
// The block whose first byte `pointer` is (as GlobalLock returned it), or null.
GlobalHandle_t GlobalHandle(const void* pointer);
// Frees the block; returns null on success, the handle itself when it names no block.
GlobalHandle_t GlobalFree(GlobalHandle_t block);
// The block's size in bytes, 0 for a null or unknown handle.
std::size_t GlobalSize(GlobalHandle_t block);
// Locks held on the block.
int GlobalLockCount(GlobalHandle_t block);

// While one of these lives, the last large block freed is kept for the next request of the same
// size instead of going back to the system. A recording allocates and frees a frame-sized block
// per frame; at 4K that is more than malloc ever keeps, so every frame would otherwise arrive in
// fresh pages the kernel must fault in and clear. The kept block is released with the last scope.
class LargeBlockRecycling {
 public:
  LargeBlockRecycling();
  ~LargeBlockRecycling();
  LargeBlockRecycling(const LargeBlockRecycling&) = delete;
  LargeBlockRecycling& operator=(const LargeBlockRecycling&) = delete;
};

}  // namespace platform
