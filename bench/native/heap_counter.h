// Heap accounting for the native benchmarks. A program that links
// heap_counter.cpp has its operator new and delete replaced, so that every
// block the C++ code takes from the heap is counted as the allocator hands
// it out (malloc_usable_size); the C library's own figure (mallinfo2, which
// adds the allocator's headers) is read beside it.
#pragma once

#include <cstddef>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define HORONE_BENCH_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HORONE_BENCH_SANITIZED 1
#endif
#endif

namespace bench {

// Whether the figures mean anything in this build (glibc, no sanitizer).
inline bool HeapCountingWorks() {
#if defined(__GLIBC__) && !defined(HORONE_BENCH_SANITIZED)
  return true;
#else
  return false;
#endif
}

// The C library allocator's in-use bytes, headers included (mallinfo2), for
// the whole process; 0 where there is no such figure. Needs no counting.
inline std::size_t MallocInUse() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
  const struct mallinfo2 mi = mallinfo2();
  return mi.uordblks + mi.hblkhd;
#else
  return 0;
#endif
}

struct HeapFigures {
  std::size_t liveBytes = 0;   // usable bytes of the blocks now held through operator new
  std::size_t liveBlocks = 0;  // blocks now held through operator new
  std::size_t peakBytes = 0;   // most live bytes since the last ResetHeapPeak
  std::size_t mallocBytes = 0; // the allocator's in-use total (headers included), all of the process
};

// In programs that link heap_counter.cpp.
HeapFigures Heap();
void ResetHeapPeak();

}  // namespace bench
