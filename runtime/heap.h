// The platform side of the runtime heap: the process heap on Windows, malloc elsewhere.
#pragma once

#include <cstddef>

namespace vx {

void* PlatformHeapAllocate(size_t size);                 // null on failure
void* PlatformHeapReallocate(void* block, size_t size);  // null on failure, block kept
void PlatformHeapFree(void* block);

// The bounds of the program's loaded image: its constant texts lie inside.
void PlatformImageBounds(const unsigned char** begin, const unsigned char** end);

// Makes every allocation fail while set, so that tests reach the out-of-memory report.
void SetAllocationFailureForTesting(bool fail);
bool AllocationFailureForTesting();

}  // namespace vx
