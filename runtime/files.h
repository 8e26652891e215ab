// Files written through file numbers. A file number is valid from OpenFile to CloseFile; 0
// means no file, and every command ignores numbers it did not hand out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "runtime/value.h"

namespace vx {

using FileNumber = int32_t;

// Open modes: what OpenFile may do with the file, and what it does when the file is missing.
inline constexpr int32_t kOpenToRead = 1;                  // missing: fails
inline constexpr int32_t kOpenToWrite = 2;                 // missing: fails
inline constexpr int32_t kOpenToReadAndWrite = 3;          // missing: fails
inline constexpr int32_t kOpenToReplace = 4;               // write; emptied, or created
inline constexpr int32_t kOpenToWriteOrCreate = 5;         // write; contents kept, or created
inline constexpr int32_t kOpenToReadAndWriteOrCreate = 6;  // contents kept, or created

// Sharing modes: what other openers of the same file may do meanwhile.
inline constexpr int32_t kShareReadAndWrite = 1;
inline constexpr int32_t kShareWriteOnly = 2;
inline constexpr int32_t kShareReadOnly = 3;
inline constexpr int32_t kShareNothing = 4;

// Opens `path` (handed to the platform unchanged; relative to the current directory) in open
// mode 1 to 6 with sharing mode 1 to 4, positioned at its first byte. Returns the file number,
// or 0 for an empty path, a mode out of range, or any failure of the platform.
FileNumber OpenFile(const char* path, int32_t mode = kOpenToReadAndWrite,
                    int32_t sharing = kShareReadAndWrite);

// Writes the values one after another at the file's position: texts as their bytes, numbers,
// truth values and date-times as ToText writes them; other kinds are skipped. Nothing is added
// between or after them. False for an unknown file number or a failed write, after which the
// position is back where this call began (bytes already written stay).
bool WriteText(FileNumber file, std::initializer_list<Value> values);

// Writes the `count` bytes at `bytes` at the file's position, as WriteText writes a text.
bool WriteBytes(FileNumber file, const void* bytes, size_t count);

// Closes the file and forgets its number; unknown numbers are ignored.
void CloseFile(FileNumber file);

// For a file that is whole only once it is renamed into its place: should the program end
// before ForgetAtProgramEnd(path), the file is closed (when `file` is still open) and deleted.
void RemoveAtProgramEnd(const char* path, FileNumber file);
void ForgetAtProgramEnd(const char* path);
// The program-end notice: closes and deletes the files that RemoveAtProgramEnd names.
void NotifyFilesOfProgramEnd();

// Puts the file at `from` in the place of `to`, replacing a file there in one step (so `to`
// holds either its old or its new content, never a mix). False, with both left as they were,
// when the platform refuses: `to` is a directory or read-only, the two lie on different drives.
bool RenameReplacing(const char* from, const char* to);

// Deletes the file at `path`; false when there is none or it cannot be deleted.
bool RemoveFile(const char* path);

// For tests: writes through WriteText fail as on a full disk once `bytes` more bytes have been
// written (the bytes up to the limit reach the file). A negative count lifts the limit.
void SimulateFullDiskAfter(int64_t bytes);

}  // namespace vx
