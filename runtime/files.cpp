#include "runtime/files.h"

#include <atomic>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "runtime/file_registry.h"
#include "runtime/files_platform.h"

namespace vx {

namespace {

constexpr FileAccess kModeAccess[] = {
    FileAccess::kRead,  FileAccess::kWrite, FileAccess::kReadAndWrite,
    FileAccess::kWrite, FileAccess::kWrite, FileAccess::kReadAndWrite,
};
constexpr FileCreation kModeCreation[] = {
    FileCreation::kOpenExisting,  FileCreation::kOpenExisting, FileCreation::kOpenExisting,
    FileCreation::kCreateOrEmpty, FileCreation::kOpenOrCreate, FileCreation::kOpenOrCreate,
};
constexpr FileSharing kModeSharing[] = {
    FileSharing::kReadAndWrite,
    FileSharing::kWriteOnly,
    FileSharing::kReadOnly,
    FileSharing::kNothing,
};

// One write or close at a time, whichever threads they come from: a file is never closed under a
// write in progress, also not by the program's end (NotifyFilesOfProgramEnd).
std::mutex file_operations;

// Bytes that writes may still put out before they fail as on a full disk; negative: no limit.
std::atomic<int64_t> writes_before_full_disk{-1};

// Writes `count` bytes, or fails after writing what the simulated full disk still takes.
bool WriteToPlatformFile(PlatformFile handle, const char* bytes, size_t count) {
  int64_t room = writes_before_full_disk.load();
  if (room >= 0 && static_cast<int64_t>(count) > room) {
    writes_before_full_disk.store(0);
    if (room > 0) PlatformWriteFile(handle, bytes, static_cast<size_t>(room));
    return false;
  }
  if (room >= 0) writes_before_full_disk.store(room - static_cast<int64_t>(count));
  return PlatformWriteFile(handle, bytes, count);
}

}  // namespace

FileNumber OpenFile(const char* path, int32_t mode, int32_t sharing) {
  if (TextLength(path) == 0 || mode < 1 || mode > 6 || sharing < 1 || sharing > 4) return 0;
  PlatformFile handle = PlatformOpenFile(path, kModeAccess[mode - 1], kModeSharing[sharing - 1],
                                         kModeCreation[mode - 1]);
  if (handle == kNoPlatformFile) return 0;
  auto* file = new (std::nothrow) OpenFileObject{handle, 0};
  if (!file) {
    PlatformCloseFile(handle);
    return 0;
  }
  return AddToFileRegistry(file, kPlainFileKind);
}

bool WriteText(FileNumber number, std::initializer_list<Value> values) {
  std::lock_guard<std::mutex> lock(file_operations);
  OpenFileObject* file = FindRegisteredFile(number);
  if (!file) return false;
  const int64_t start = file->position;
  for (const Value& value : values) {
    char scalar_text[kScalarTextSize];
    const char* bytes;
    int32_t count;
    if (value.kind == ValueKind::kText) {
      bytes = value.text;
      count = TextLength(value.text);
    } else if (IsScalar(value)) {
      bytes = scalar_text;
      count = FormatScalar(value, scalar_text);
    } else {
      continue;  // byte data, arrays and buffers have no text to write
    }
    if (count == 0) continue;
    if (!WriteToPlatformFile(file->handle, bytes, static_cast<size_t>(count))) {
      PlatformSetFilePosition(file->handle, start);
      file->position = start;
      return false;
    }
    file->position += count;
  }
  return true;
}

bool WriteBytes(FileNumber number, const void* bytes, size_t count) {
  std::lock_guard<std::mutex> lock(file_operations);
  OpenFileObject* file = FindRegisteredFile(number);
  if (!file) return false;
  if (count == 0) return true;
  if (!WriteToPlatformFile(file->handle, static_cast<const char*>(bytes), count)) {
    PlatformSetFilePosition(file->handle, file->position);
    return false;
  }
  file->position += static_cast<int64_t>(count);
  return true;
}

void CloseFile(FileNumber number) {
  std::lock_guard<std::mutex> lock(file_operations);
  OpenFileObject* file = RemoveFromFileRegistry(number);
  if (!file) return;
  PlatformCloseFile(file->handle);
  delete file;
}

bool RenameReplacing(const char* from, const char* to) {
  if (TextLength(from) == 0 || TextLength(to) == 0) return false;
  return PlatformRenameReplacing(from, to);
}

bool RemoveFile(const char* path) {
  return TextLength(path) != 0 && PlatformRemoveFile(path);
}

namespace {
struct FileToRemove {
  std::string path;
  FileNumber file;
};
std::mutex files_to_remove_mutex;
std::vector<FileToRemove> files_to_remove;
}  // namespace

void RemoveAtProgramEnd(const char* path, FileNumber file) {
  std::lock_guard<std::mutex> lock(files_to_remove_mutex);
  files_to_remove.push_back({path ? path : "", file});
}

void ForgetAtProgramEnd(const char* path) {
  std::lock_guard<std::mutex> lock(files_to_remove_mutex);
  for (size_t i = 0; i < files_to_remove.size(); ++i) {
    if (files_to_remove[i].path == (path ? path : "")) {
      files_to_remove.erase(files_to_remove.begin() + static_cast<ptrdiff_t>(i));
      return;
    }
  }
}

void NotifyFilesOfProgramEnd() {
  std::lock_guard<std::mutex> lock(files_to_remove_mutex);
  for (const FileToRemove& remove : files_to_remove) {
    CloseFile(remove.file);
    RemoveFile(remove.path.c_str());
  }
  files_to_remove.clear();
}

void SimulateFullDiskAfter(int64_t bytes) {
  writes_before_full_disk.store(bytes < 0 ? -1 : bytes);
}

}  // namespace vx
