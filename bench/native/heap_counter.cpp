#include "heap_counter.h"

#include <cstdlib>
#include <new>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// The benchmarks run on one thread.
std::size_t g_live = 0;
std::size_t g_blocks = 0;
std::size_t g_peak = 0;

std::size_t UsableSize(void* p) {
#if defined(__GLIBC__)
  return malloc_usable_size(p);
#else
  (void)p;
  return 0;
#endif
}

void* Take(std::size_t n) {
  void* p = std::malloc(n == 0 ? 1 : n);
  if (!p) return nullptr;
  g_live += UsableSize(p);
  ++g_blocks;
  if (g_live > g_peak) g_peak = g_live;
  return p;
}

void Give(void* p) {
  if (!p) return;
  g_live -= UsableSize(p);
  --g_blocks;
  std::free(p);
}

}  // namespace

void* operator new(std::size_t n) {
  if (void* p = Take(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  if (void* p = Take(n)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Take(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Take(n); }
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, std::size_t) noexcept { Give(p); }
void operator delete[](void* p, std::size_t) noexcept { Give(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Give(p); }

namespace bench {

HeapFigures Heap() {
  HeapFigures f;
  f.liveBytes = g_live;
  f.liveBlocks = g_blocks;
  f.peakBytes = g_peak;
  f.mallocBytes = MallocInUse();
  return f;
}

void ResetHeapPeak() { g_peak = g_live; }

}  // namespace bench
