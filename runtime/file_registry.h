// The runtime's list of open files. File numbers are checked against it, so that a number
// that was closed, never handed out, or is 0 reaches no platform handle.
#pragma once

#include <cstdint>

#include "runtime/files_platform.h"

namespace vx {

struct OpenFileObject {
  PlatformFile handle;
  int64_t position;  // where the next write goes; only our writes move it
};

inline constexpr int32_t kPlainFileKind = 1;

// Lists `file` with `kind` and returns its number; a file already listed keeps its number.
int32_t AddToFileRegistry(OpenFileObject* file, int32_t kind);
// The kind of the file listed under `number`, or -1 when none is.
int32_t RegisteredFileKind(int32_t number);
// The file listed under `number`, or null.
OpenFileObject* FindRegisteredFile(int32_t number);
// Unlists `number` and returns its file, or null when it was not listed.
OpenFileObject* RemoveFromFileRegistry(int32_t number);

}  // namespace vx
