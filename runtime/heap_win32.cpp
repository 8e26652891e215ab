#include <windows.h>

#include "runtime/heap.h"

namespace vx {

namespace {
HANDLE ProcessHeap() {
  static const HANDLE heap = GetProcessHeap();
  return heap;
}
}  // namespace

// Large pages need a privilege that a program run by a user does not hold.
void PreferLargePages(void*, size_t) {}

void* PlatformHeapAllocate(size_t size) {
  if (AllocationFailsForTesting(size)) return nullptr;
  return HeapAlloc(ProcessHeap(), 0, size);
}

void* PlatformHeapReallocate(void* block, size_t size) {
  if (AllocationFailsForTesting(size)) return nullptr;
  return HeapReAlloc(ProcessHeap(), 0, block, size);
}

void PlatformHeapFree(void* block) {
  HeapFree(ProcessHeap(), 0, block);
}

size_t PlatformHeapBlockSize(const void* block) {
  return HeapSize(ProcessHeap(), 0, block);
}

void PlatformImageBounds(const unsigned char** begin, const unsigned char** end) {
  auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleA(nullptr));
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  *begin = base;
  *end = base + nt->OptionalHeader.SizeOfImage;
}

}  // namespace vx
