// What the runtime's start and exit need from the platform.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/values.h"

namespace vx {

// Writes the running program's full path, zero-terminated and cut to `size` bytes.
void PlatformProgramPath(char* buffer, size_t size);
char PlatformPathSeparator();
bool PlatformSetCurrentDirectory(const char* directory);  // false when refused
Text PlatformCurrentDirectory();                          // fresh; null when unknown
uint64_t PlatformCurrentThreadId();
void PlatformCreateOwnerWindow();
void PlatformDestroyOwnerWindow();
[[noreturn]] void PlatformEndProcess(int32_t code);
// Parks a thread that must not go on while the process ends.
[[noreturn]] void PlatformWaitForProcessEnd();

}  // namespace vx
