// Size-class free lists over process-lifetime slabs.
#include "data/block_pool.h"

#include <memory>
#include <mutex>
#include <new>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define LF_POOL_PLAIN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LF_POOL_PLAIN 1
#endif
#endif

namespace lf {
namespace {

constexpr size_t kClassBytes = 16;
constexpr size_t kClasses = kPoolMaxBlock / kClassBytes;
constexpr size_t kSlabBytes = 256 * 1024;

struct FreeBlock {
  FreeBlock* next;
};

// Slabs are handed out under a lock and never freed.
[[maybe_unused]] char* NewSlab() {
  static std::mutex lock;
  static std::vector<std::unique_ptr<char[]>> slabs;
  std::lock_guard<std::mutex> guard(lock);
  slabs.push_back(std::unique_ptr<char[]>(new char[kSlabBytes]));  // left uninitialised
  return slabs.back().get();
}

struct ThreadPool {
  FreeBlock* free[kClasses] = {};
  char* next = nullptr;
  char* end = nullptr;
};

[[maybe_unused]] thread_local ThreadPool pool;

[[maybe_unused]] size_t ClassOf(size_t size) { return (size + kClassBytes - 1) / kClassBytes - 1; }

}  // namespace

void* PoolAllocate(size_t size) {
#ifdef LF_POOL_PLAIN
  return ::operator new(size);
#else
  if (size == 0 || size > kPoolMaxBlock) return ::operator new(size);
  size_t c = ClassOf(size);
  if (FreeBlock* b = pool.free[c]) {
    pool.free[c] = b->next;
    return b;
  }
  size_t bytes = (c + 1) * kClassBytes;
  if (static_cast<size_t>(pool.end - pool.next) < bytes) {
    pool.next = NewSlab();
    pool.end = pool.next + kSlabBytes;
  }
  void* block = pool.next;
  pool.next += bytes;
  return block;
#endif
}

void PoolRelease(void* block, size_t size) noexcept {
  if (!block) return;
#ifdef LF_POOL_PLAIN
  ::operator delete(block);
  (void)size;
#else
  if (size == 0 || size > kPoolMaxBlock) {
    ::operator delete(block);
    return;
  }
  auto* b = static_cast<FreeBlock*>(block);
  size_t c = ClassOf(size);
  b->next = pool.free[c];
  pool.free[c] = b;
#endif
}

}  // namespace lf
