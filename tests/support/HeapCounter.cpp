#include "HeapCounter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int64_t> HeapNow{0}, HeapPeak{0};
std::atomic<uint64_t> Allocations{0};

void Count(int64_t bytes) {
  const int64_t now = HeapNow.fetch_add(bytes, std::memory_order_relaxed) + bytes;
  int64_t peak = HeapPeak.load(std::memory_order_relaxed);
  while (now > peak && !HeapPeak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
}

void* Allocate(size_t size) {
  Allocations.fetch_add(1, std::memory_order_relaxed);
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  Count(int64_t(malloc_usable_size(p)));
  return p;
}

void Release(void* p) {
  if (!p) return;
  Count(-int64_t(malloc_usable_size(p)));
  std::free(p);
}

}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

namespace tarvo {

int64_t HeapBytesNow() { return HeapNow.load(); }
int64_t HeapBytesPeak() { return HeapPeak.load(); }
void ResetHeapPeak() { HeapPeak.store(HeapNow.load()); }
uint64_t HeapAllocations() { return Allocations.load(std::memory_order_relaxed); }

}  // namespace tarvo
