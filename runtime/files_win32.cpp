#include <windows.h>

#include <algorithm>

#include "runtime/files_platform.h"

namespace vx {

namespace {

HANDLE AsHandle(PlatformFile file) {
  return reinterpret_cast<HANDLE>(file);
}

constexpr DWORD kAccessFlags[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
constexpr DWORD kSharingFlags[] = {FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_SHARE_WRITE,
                                   FILE_SHARE_READ, 0};
constexpr DWORD kCreationFlags[] = {OPEN_EXISTING, CREATE_ALWAYS, OPEN_ALWAYS};

}  // namespace

PlatformFile PlatformOpenFile(const char* path, FileAccess access, FileSharing sharing,
                              FileCreation creation) {
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE file = CreateFileA(
      path, kAccessFlags[static_cast<int>(access)], kSharingFlags[static_cast<int>(sharing)],
      &inheritable, kCreationFlags[static_cast<int>(creation)], FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? kNoPlatformFile : reinterpret_cast<PlatformFile>(file);
}

bool PlatformWriteFile(PlatformFile file, const void* bytes, size_t count) {
  DWORD written = 0;
  return WriteFile(AsHandle(file), bytes, static_cast<DWORD>(count), &written, nullptr) &&
         written == count;
}

bool PlatformSetFilePosition(PlatformFile file, int64_t position) {
  LARGE_INTEGER distance;
  distance.QuadPart = position;
  return SetFilePointerEx(AsHandle(file), distance, nullptr, FILE_BEGIN);
}

int64_t PlatformFileSize(PlatformFile file) {
  LARGE_INTEGER size;
  return GetFileSizeEx(AsHandle(file), &size) ? size.QuadPart : -1;
}

int64_t PlatformReadFile(PlatformFile file, void* bytes, size_t count) {
  auto* cursor = static_cast<char*>(bytes);
  size_t total = 0;
  while (total < count) {
    DWORD read = 0;
    // A DWORD counts at most 4 GB; one read of a gigabyte at a time.
    DWORD wanted = static_cast<DWORD>(std::min<size_t>(count - total, size_t{1} << 30));
    if (!ReadFile(AsHandle(file), cursor + total, wanted, &read, nullptr)) return -1;
    if (read == 0) break;  // the end of the file
    total += read;
  }
  return static_cast<int64_t>(total);
}

void PlatformCloseFile(PlatformFile file) {
  CloseHandle(AsHandle(file));
}

bool PlatformRenameReplacing(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING);
}

bool PlatformRemoveFile(const char* path) {
  return DeleteFileA(path);
}

}  // namespace vx
