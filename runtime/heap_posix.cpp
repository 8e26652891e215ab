#include <malloc.h>
#include <sys/mman.h>

#include <cstdlib>

#include "runtime/heap.h"

extern "C" char __executable_start[];
extern "C" char _end[];

namespace vx {

void PreferLargePages(void* block, size_t size) {
  constexpr uintptr_t kLargePage = uintptr_t{2} << 20;
  // Only the whole large pages inside the block: the stretches at its ends may hold other blocks.
  uintptr_t first = (reinterpret_cast<uintptr_t>(block) + kLargePage - 1) & ~(kLargePage - 1);
  uintptr_t end = (reinterpret_cast<uintptr_t>(block) + size) & ~(kLargePage - 1);
  if (block && end > first) {
    madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
  }
}

void* PlatformHeapAllocate(size_t size) {
  if (AllocationFailsForTesting(size)) return nullptr;
  void* block = std::malloc(size ? size : 1);
  PreferLargePages(block, size);
  return block;
}

void* PlatformHeapReallocate(void* block, size_t size) {
  if (AllocationFailsForTesting(size)) return nullptr;
  void* resized = std::realloc(block, size ? size : 1);
  PreferLargePages(resized, size);
  return resized;
}

void PlatformHeapFree(void* block) {
  std::free(block);
}

size_t PlatformHeapBlockSize(const void* block) {
  return malloc_usable_size(const_cast<void*>(block));
}

void PlatformImageBounds(const unsigned char** begin, const unsigned char** end) {
  *begin = reinterpret_cast<const unsigned char*>(__executable_start);
  *end = reinterpret_cast<const unsigned char*>(_end);
}

}  // namespace vx
