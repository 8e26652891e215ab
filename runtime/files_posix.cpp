#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/files_platform.h"

namespace vx {

namespace {

constexpr int kAccessFlags[] = {O_RDONLY, O_WRONLY, O_RDWR};

int AsDescriptor(PlatformFile file) {
  return static_cast<int>(file);
}

// Sharing as advisory whole-file locks (flock locks belong to the open file, so two opens in
// one process exclude each other too): an open that shares nothing takes an exclusive lock,
// every other open a shared one. So an exclusive open and any other open of the same file
// exclude each other, as on Windows; the finer modes (denying only reading or only writing)
// are not enforced.
bool LockForSharing(int descriptor, FileSharing sharing) {
  int operation = sharing == FileSharing::kNothing ? LOCK_EX : LOCK_SH;
  int result;
  do {
    result = flock(descriptor, operation | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

}  // namespace

PlatformFile PlatformOpenFile(const char* path, FileAccess access, FileSharing sharing,
                              FileCreation creation) {
  int flags = kAccessFlags[static_cast<int>(access)];
  if (creation != FileCreation::kOpenExisting) flags |= O_CREAT;
  int descriptor = open(path, flags, 0666);
  if (descriptor < 0) return kNoPlatformFile;
  struct stat status;
  // Windows opens no directory as a file; emptying waits until the sharing check has passed.
  bool usable = fstat(descriptor, &status) == 0 && !S_ISDIR(status.st_mode) &&
                LockForSharing(descriptor, sharing) &&
                (creation != FileCreation::kCreateOrEmpty || ftruncate(descriptor, 0) == 0);
  if (!usable) {
    close(descriptor);
    return kNoPlatformFile;
  }
  return descriptor;
}

bool PlatformWriteFile(PlatformFile file, const void* bytes, size_t count) {
  auto* cursor = static_cast<const char*>(bytes);
  while (count > 0) {
    ssize_t written = write(AsDescriptor(file), cursor, count);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    cursor += written;
    count -= static_cast<size_t>(written);
  }
  return true;
}

bool PlatformSetFilePosition(PlatformFile file, int64_t position) {
  return lseek(AsDescriptor(file), static_cast<off_t>(position), SEEK_SET) >= 0;
}

int64_t PlatformFileSize(PlatformFile file) {
  struct stat status;
  return fstat(AsDescriptor(file), &status) == 0 ? static_cast<int64_t>(status.st_size) : -1;
}

int64_t PlatformReadFile(PlatformFile file, void* bytes, size_t count) {
  auto* cursor = static_cast<char*>(bytes);
  size_t total = 0;
  while (total < count) {
    ssize_t read_count = read(AsDescriptor(file), cursor + total, count - total);
    if (read_count < 0 && errno == EINTR) continue;
    if (read_count < 0) return -1;
    if (read_count == 0) break;  // the end of the file
    total += static_cast<size_t>(read_count);
  }
  return static_cast<int64_t>(total);
}

void PlatformCloseFile(PlatformFile file) {
  close(AsDescriptor(file));
}

bool PlatformRenameReplacing(const char* from, const char* to) {
  return rename(from, to) == 0;
}

bool PlatformRemoveFile(const char* path) {
  return unlink(path) == 0;
}

}  // namespace vx
