// The portable side of the runtime heap: the tests' failure hook, and the C++ allocation
// operators, which fail as AllocateBlock does. Out of memory is the runtime's fatal report
// wherever it happens: without these, a container of the standard library would throw
// std::bad_alloc and end the program in std::terminate with no message.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "runtime/heap.h"
#include "runtime/values.h"

namespace vx {

namespace {
// Allocations of at least this many bytes fail; SIZE_MAX while the hook is off.
std::atomic<size_t> failing_from_size{SIZE_MAX};
}  // namespace

void SetAllocationFailureForTesting(bool fail, size_t from_size) {
  failing_from_size = fail ? from_size : SIZE_MAX;
}

bool AllocationFailsForTesting(size_t size) {
  return size >= failing_from_size.load(std::memory_order_relaxed);
}

#if defined(VX_CHECK_NO_ALLOCATION_ZONES)
thread_local int no_allocation_depth = 0;

NoAllocationZone::NoAllocationZone() {
  ++no_allocation_depth;
}
NoAllocationZone::~NoAllocationZone() {
  --no_allocation_depth;
}

// A fault of the program's own, not a condition to handle: the tests see the process end.
void CheckAllocationAllowed() {
  if (no_allocation_depth == 0) return;
  std::fputs("allocation inside a no-allocation zone\n", stderr);
  std::abort();
}
#endif

}  // namespace vx

namespace {

// A new-handler would not know the size that failed, which the report names: the operators
// report it themselves, and never return null or throw.
void* AllocateForNew(size_t size) {
  vx::CheckAllocationAllowed();
  if (size == 0) size = 1;
  void* block = vx::AllocationFailsForTesting(size) ? nullptr : std::malloc(size);
  if (!block) vx::ReportAllocationFailure(size);
  vx::PreferLargePages(block, size);
  return block;
}

// The over-aligned forms, for types aligned beyond what malloc guarantees.
void* AllocateAlignedForNew(size_t size, std::align_val_t alignment) {
  vx::CheckAllocationAllowed();
  if (size == 0) size = 1;
  auto align = static_cast<size_t>(alignment);
  if (align < sizeof(void*)) align = sizeof(void*);
  void* block = nullptr;
  if (!vx::AllocationFailsForTesting(size)) {
#if defined(_WIN32)
    block = _aligned_malloc(size, align);
#else
    if (posix_memalign(&block, align, size) != 0) block = nullptr;
#endif
  }
  if (!block) vx::ReportAllocationFailure(size);
  return block;
}

void FreeAligned(void* block) {
#if defined(_WIN32)
  _aligned_free(block);
#else
  std::free(block);
#endif
}

}  // namespace

void* operator new(size_t size) {
  return AllocateForNew(size);
}
void* operator new[](size_t size) {
  return AllocateForNew(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return AllocateForNew(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return AllocateForNew(size);
}
void* operator new(size_t size, std::align_val_t alignment) {
  return AllocateAlignedForNew(size, alignment);
}
void* operator new[](size_t size, std::align_val_t alignment) {
  return AllocateAlignedForNew(size, alignment);
}
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AllocateAlignedForNew(size, alignment);
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AllocateAlignedForNew(size, alignment);
}

// Every form of delete, so that none of the library's own pairs with malloc'd blocks.
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, size_t) noexcept {
  std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
  FreeAligned(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
  FreeAligned(block);
}
void operator delete(void* block, size_t, std::align_val_t) noexcept {
  FreeAligned(block);
}
void operator delete[](void* block, size_t, std::align_val_t) noexcept {
  FreeAligned(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  FreeAligned(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  FreeAligned(block);
}
