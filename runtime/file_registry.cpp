#include "runtime/file_registry.h"

#include <mutex>
#include <vector>

namespace vx {

namespace {

struct RegistryEntry {
  int32_t number;
  int32_t kind;
  OpenFileObject* file;
};

// The program opens files on its UI thread only; the lock just keeps the list whole if that
// ever changes.
std::mutex registry_mutex;
std::vector<RegistryEntry> registry;
int32_t last_number = 0;

RegistryEntry* FindEntry(int32_t number) {
  for (RegistryEntry& entry : registry) {
    if (entry.number == number) return &entry;
  }
  return nullptr;
}

// Numbers are not reused while the program runs (until they wrap), so that a stale number
// reaches no file opened later.
int32_t NextFreeNumber() {
  do {
    last_number = last_number == INT32_MAX ? 1 : last_number + 1;
  } while (FindEntry(last_number));
  return last_number;
}

}  // namespace

int32_t AddToFileRegistry(OpenFileObject* file, int32_t kind) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  for (const RegistryEntry& entry : registry) {
    if (entry.file == file) return entry.number;
  }
  int32_t number = NextFreeNumber();
  registry.push_back({number, kind, file});
  return number;
}

int32_t RegisteredFileKind(int32_t number) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  RegistryEntry* entry = FindEntry(number);
  return entry ? entry->kind : -1;
}

OpenFileObject* FindRegisteredFile(int32_t number) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  RegistryEntry* entry = FindEntry(number);
  return entry ? entry->file : nullptr;
}

OpenFileObject* RemoveFromFileRegistry(int32_t number) {
  std::lock_guard<std::mutex> lock(registry_mutex);
  RegistryEntry* entry = FindEntry(number);
  if (!entry) return nullptr;
  OpenFileObject* file = entry->file;
  *entry = registry.back();
  registry.pop_back();
  return file;
}

}  // namespace vx
