// The runtime heap's platform side (the process heap on Windows, malloc elsewhere) and its
// failure hook for tests.
#pragma once

#include <cstddef>

namespace vx {

void* PlatformHeapAllocate(size_t size);                 // null on failure
void* PlatformHeapReallocate(void* block, size_t size);  // null on failure, block kept
void PlatformHeapFree(void* block);

// The bounds of the program's loaded image: its constant texts lie inside.
void PlatformImageBounds(const unsigned char** begin, const unsigned char** end);
// Finds those bounds now; the runtime's start calls it.
void RecordConstantArea();

// While set, every allocation of at least `from_size` bytes fails, from the runtime heap and from
// operator new alike, so that tests reach the out-of-memory report.
void SetAllocationFailureForTesting(bool fail, size_t from_size = 0);
bool AllocationFailsForTesting(size_t size);

}  // namespace vx
