// The runtime heap's platform side (the process heap on Windows, malloc elsewhere) and its
// failure hook for tests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx {

void* PlatformHeapAllocate(size_t size);                 // null on failure
void* PlatformHeapReallocate(void* block, size_t size);  // null on failure, block kept
void PlatformHeapFree(void* block);
// The bytes that a block of the heap takes (at least what was asked for).
size_t PlatformHeapBlockSize(const void* block);

// Asks the system to back the fresh block of `size` bytes at `block` with large pages where it
// can: a block of tens of megabytes then takes its memory in a few steps instead of one per 4 KB
// page, which on a virtual machine costs microseconds each. Nothing for small blocks, nor where
// the system gives large pages to privileged programs only (Windows).
void PreferLargePages(void* block, size_t size);

// The bounds of the program's loaded image: its constant texts lie inside.
void PlatformImageBounds(const unsigned char** begin, const unsigned char** end);
// Finds those bounds now; the runtime's start calls it.
void RecordConstantArea();

// The bytes that the blocks of the runtime heap take now.
int64_t HeapBytesInUse();
// Makes allocations that would take HeapBytesInUse() above `limit` fail (a negative limit: no
// limit), so that tests reach the commands' handling of memory running out.
void SetHeapLimitForTesting(int64_t limit);

// While set, every allocation of at least `from_size` bytes fails, from the runtime heap and from
// operator new alike, so that tests reach the out-of-memory report.
void SetAllocationFailureForTesting(bool fail, size_t from_size = 0);
bool AllocationFailsForTesting(size_t size);

// Code that must not allocate while it runs on its thread: the row store's lock, under which
// running out of memory would show the fatal report while the window waits for that lock. The
// builds that check it (all but Release) end the program at such an allocation, so the tests
// see it; elsewhere a zone costs nothing.
#if defined(VX_CHECK_NO_ALLOCATION_ZONES)
class NoAllocationZone {
 public:
  NoAllocationZone();
  ~NoAllocationZone();
  NoAllocationZone(const NoAllocationZone&) = delete;
  NoAllocationZone& operator=(const NoAllocationZone&) = delete;
};
void CheckAllocationAllowed();
#else
class NoAllocationZone {
 public:
  NoAllocationZone() = default;
  NoAllocationZone(const NoAllocationZone&) = delete;
  NoAllocationZone& operator=(const NoAllocationZone&) = delete;
};
inline void CheckAllocationAllowed() {}
#endif

}  // namespace vx
