#include "global_memory.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <utility>

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

// Smaller blocks come back from malloc's own free lists quickly enough.
constexpr std::size_t kRecycledMinimum = std::size_t{4} << 20;

struct Recycler {
  std::mutex lock;
  int scopes = 0;
  void* kept = nullptr;  // raw memory of a freed block
  std::size_t keptTotal = 0;

  void* Take(std::size_t total) {
    if (total < kRecycledMinimum) return nullptr;
    std::lock_guard<std::mutex> guard(lock);
    if (!kept || keptTotal != total) return nullptr;
    return std::exchange(kept, nullptr);
  }

  // True when the recycler took the memory.
  bool Keep(void* memory, std::size_t total) {
    if (total < kRecycledMinimum) return false;
    void* dropped = nullptr;
    {
      std::lock_guard<std::mutex> guard(lock);
      if (scopes == 0) return false;
      dropped = std::exchange(kept, memory);
      keptTotal = total;
    }
    std::free(dropped);
    return true;
  }

  void Release() {
    void* dropped = nullptr;
    {
      std::lock_guard<std::mutex> guard(lock);
      dropped = std::exchange(kept, nullptr);
    }
    std::free(dropped);
  }
};

Recycler& TheRecycler() {
  static Recycler recycler;
  return recycler;
}

}  // namespace

LargeBlockRecycling::LargeBlockRecycling() {
  std::lock_guard<std::mutex> guard(TheRecycler().lock);
  ++TheRecycler().scopes;
}

LargeBlockRecycling::~LargeBlockRecycling() {
  bool last = false;
  {
    std::lock_guard<std::mutex> guard(TheRecycler().lock);
    last = --TheRecycler().scopes == 0;
  }
  if (last) TheRecycler().Release();
}

GlobalHandle_t GlobalAlloc(unsigned flags, std::size_t bytes) {
  if (bytes > std::numeric_limits<std::size_t>::max() - sizeof(GlobalBlock)) return nullptr;
  const std::size_t total = sizeof(GlobalBlock) + bytes;
  void* memory = TheRecycler().Take(total);
  if (memory && (flags & GMEM_ZEROINIT)) std::memset(memory, 0, total);
  // calloc hands large blocks straight from fresh, already zeroed pages.
  if (!memory) memory = (flags & GMEM_ZEROINIT) ? std::calloc(1, total) : std::malloc(total);
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
  if (!TheRecycler().Keep(block, sizeof(GlobalBlock) + block->size)) std::free(block);
  return nullptr;
}

std::size_t GlobalSize(GlobalHandle_t block) { return Live(block) ? block->size : 0; }

int GlobalLockCount(GlobalHandle_t block) { return Live(block) ? block->locks.load() : 0; }

}  // namespace platform
