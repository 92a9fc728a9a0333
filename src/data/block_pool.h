// Recycling allocator for the small blocks JSON values are made of: one
// free list per 16-byte size class, per thread, carved from large slabs.
#pragma once

#include <cstddef>

namespace lf {

// Largest block the pool serves; bigger requests go to operator new.
constexpr size_t kPoolMaxBlock = 512;

// Blocks come from slabs that live until the process ends, so a block may be
// released on any thread. Freed blocks are kept for reuse, not returned.
// Under AddressSanitizer every block goes to operator new, so that misuse
// stays visible.
void* PoolAllocate(size_t size);
void PoolRelease(void* block, size_t size) noexcept;

// Standard allocator over the pool, for the small vectors inside values.
template <class T>
struct TPoolAllocator {
  using value_type = T;
  TPoolAllocator() = default;
  template <class U>
  TPoolAllocator(const TPoolAllocator<U>&) {}
  T* allocate(size_t n) { return static_cast<T*>(PoolAllocate(n * sizeof(T))); }
  void deallocate(T* p, size_t n) noexcept { PoolRelease(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const TPoolAllocator<U>&) const { return true; }
};

// Base for classes whose objects come from the pool.
struct TPooled {
  static void* operator new(size_t size) { return PoolAllocate(size); }
  static void operator delete(void* block, size_t size) noexcept { PoolRelease(block, size); }
};

}  // namespace lf
