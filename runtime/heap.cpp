// The portable side of the runtime heap: the tests' failure hook, and the C++ allocation
// operators, which fail as AllocateBlock does. Out of memory is the runtime's fatal report
// wherever it happens: without these, a container of the standard library would throw
// std::bad_alloc and end the program in std::terminate with no message.
#include <atomic>
#include <cstdint>
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

}  // namespace vx

namespace {

// A new-handler would not know the size that failed, which the report names: the operators
// report it themselves, and never return null or throw.
void* AllocateForNew(size_t size) {
  if (size == 0) size = 1;
  void* block = vx::AllocationFailsForTesting(size) ? nullptr : std::malloc(size);
  if (!block) vx::ReportAllocationFailure(size);
  return block;
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
