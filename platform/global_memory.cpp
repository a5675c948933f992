#include "global_memory.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

namespace platform {

// The bookkeeping sits right before the bytes handed out, so a locked pointer finds its block
// in constant time. 16 bytes keep the data as aligned as malloc's.
struct alignas(16) GlobalBlock {
  std::uint32_t magic;
  std::atomic<int> locks;
  std::size_t size;
};
static_assert(sizeof(GlobalBlock) == 16);

namespace {

constexpr std::uint32_t kLiveMagic = 0x4B4C4247;  // "GBLK"
constexpr std::uint32_t kFreedMagic = 0x44455246;

bool Live(GlobalHandle_t block) { return block != nullptr && block->magic == kLiveMagic; }
std::uint8_t* Data(GlobalHandle_t block) { return reinterpret_cast<std::uint8_t*>(block + 1); }

}  // namespace

GlobalHandle_t GlobalAlloc(unsigned flags, std::size_t bytes) {
  if (bytes > std::numeric_limits<std::size_t>::max() - sizeof(GlobalBlock)) return nullptr;
  const std::size_t total = sizeof(GlobalBlock) + bytes;
  // calloc hands large blocks straight from fresh, already zeroed pages.
  void* memory = (flags & GMEM_ZEROINIT) ? std::calloc(1, total) : std::malloc(total);
  if (!memory) return nullptr;
  auto* block = static_cast<GlobalBlock*>(memory);
  block->magic = kLiveMagic;
  new (&block->locks) std::atomic<int>(0);
  block->size = bytes;
  return block;
}

void* GlobalLock(GlobalHandle_t block) {
  if (!Live(block)) return nullptr;
  block->locks.fetch_add(1);
  return Data(block);
}

bool GlobalUnlock(GlobalHandle_t block) {
  if (!Live(block)) return false;
  int locks = block->locks.load();
  while (locks > 0 && !block->locks.compare_exchange_weak(locks, locks - 1)) {
  }
  return locks > 1;
}

GlobalHandle_t GlobalHandle(const void* pointer) {
  if (!pointer) return nullptr;
  auto* block = reinterpret_cast<GlobalBlock*>(const_cast<std::uint8_t*>(static_cast<const std::uint8_t*>(pointer))) -
                1;
  return Live(block) ? block : nullptr;
}

GlobalHandle_t GlobalFree(GlobalHandle_t block) {
  if (!Live(block)) return block;
  block->magic = kFreedMagic;
  block->locks.~atomic<int>();
  std::free(block);
  return nullptr;
}

std::size_t GlobalSize(GlobalHandle_t block) { return Live(block) ? block->size : 0; }

int GlobalLockCount(GlobalHandle_t block) { return Live(block) ? block->locks.load() : 0; }

}  // namespace platform
