#include <malloc.h>

#include <cstdlib>

#include "runtime/heap.h"

extern "C" char __executable_start[];
extern "C" char _end[];

namespace vx {

void* PlatformHeapAllocate(size_t size) {
  if (AllocationFailsForTesting(size)) return nullptr;
  return std::malloc(size ? size : 1);
}

void* PlatformHeapReallocate(void* block, size_t size) {
  if (AllocationFailsForTesting(size)) return nullptr;
  return std::realloc(block, size ? size : 1);
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
