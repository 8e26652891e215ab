// The platform's file handles behind files.cpp and the buffers' file loading. These translate
// the open, sharing and creation choices to the platform; the choices are made by the callers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx {

using PlatformFile = intptr_t;
inline constexpr PlatformFile kNoPlatformFile = -1;

enum class FileAccess { kRead, kWrite, kReadAndWrite };
// What others may do with the file while it is open.
enum class FileSharing { kReadAndWrite, kWriteOnly, kReadOnly, kNothing };
enum class FileCreation { kOpenExisting, kCreateOrEmpty, kOpenOrCreate };

// Opens `path` unchanged; kNoPlatformFile on failure (missing file, access or sharing denied,
// a directory). The position is at the first byte.
PlatformFile PlatformOpenFile(const char* path, FileAccess access, FileSharing sharing,
                              FileCreation creation);
// True only when all `count` bytes were written at the current position.
bool PlatformWriteFile(PlatformFile file, const void* bytes, size_t count);
bool PlatformSetFilePosition(PlatformFile file, int64_t position);
// The file's size in bytes, or -1.
int64_t PlatformFileSize(PlatformFile file);
// Reads up to `count` bytes from the current position; the count read (less at the end of
// the file), or -1 on an error.
int64_t PlatformReadFile(PlatformFile file, void* bytes, size_t count);
void PlatformCloseFile(PlatformFile file);
// Renames `from` to `to`, replacing an existing file `to`; false when refused.
bool PlatformRenameReplacing(const char* from, const char* to);
bool PlatformRemoveFile(const char* path);

}  // namespace vx
