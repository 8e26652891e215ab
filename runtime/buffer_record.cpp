#include "runtime/buffer_record.h"

#include <cstdlib>
#include <cstring>

#include "runtime/heap.h"

namespace vx {

void BufferStorageDeleter::operator()(unsigned char* storage) const {
  std::free(storage);
}

BufferRecord* CreateBufferRecord() {
  auto* record = static_cast<BufferRecord*>(std::malloc(sizeof(BufferRecord)));
  if (record) {
    *record = {nullptr, 0, 0, kDefaultMinCapacity, kDefaultMaxCapacity, kDefaultGrowthStep, 0};
  }
  return record;
}

void DestroyBufferRecord(BufferRecord* record) {
  if (!record) return;
  std::free(record->data);
  std::free(record);
}

int64_t GrownCapacity(const BufferRecord& record, int64_t needed) {
  if (needed > record.max_capacity) return -1;
  if (needed <= record.min_capacity) {
    return record.min_capacity < record.max_capacity ? record.min_capacity : record.max_capacity;
  }
  int64_t grown = needed + record.growth_step;
  return grown <= record.max_capacity ? grown : record.max_capacity;
}

bool ReserveBuffer(BufferRecord* record, int64_t needed) {
  if (needed < 0) return false;
  if (needed <= record->capacity) return true;
  int64_t capacity = GrownCapacity(*record, needed);
  if (capacity < 0) return false;
  if (capacity > record->allocated) {
    // Growing by the rule alone (10240 bytes at a time) would move a large buffer, and copy it
    // where the heap cannot grow it in place, once per 10240 bytes appended: quadratic in its
    // size. So the allocation grows by half at least, which copies each byte a few times in
    // all; the capacity still follows the rule. Pages not yet written cost no memory.
    int64_t headroom = record->allocated + record->allocated / 2;
    if (headroom > record->max_capacity) headroom = record->max_capacity;
    int64_t size = capacity > headroom ? capacity : headroom;
    // realloc keeps the whole old block, so the text keeps every byte up to its terminator even
    // when it holds zero bytes of its own.
    auto* storage =
        static_cast<unsigned char*>(std::realloc(record->data, static_cast<size_t>(size)));
    if (!storage && size > capacity) {
      size = capacity;
      storage = static_cast<unsigned char*>(std::realloc(record->data, static_cast<size_t>(size)));
    }
    if (!storage) return false;
    PreferLargePages(storage, static_cast<size_t>(size));
    if (!record->data) storage[0] = '\0';
    record->data = storage;
    record->allocated = size;
  }
  record->capacity = capacity;
  return true;
}

bool AppendToBuffer(BufferRecord* record, const void* bytes, int64_t count) {
  if (count <= 0) return true;
  // A source inside the buffer's own storage moves with it when the storage grows.
  auto* source = static_cast<const unsigned char*>(bytes);
  auto address = reinterpret_cast<uintptr_t>(source);
  auto storage = reinterpret_cast<uintptr_t>(record->data);
  bool own_storage = record->data && address >= storage && address < storage + record->allocated;
  uintptr_t offset = address - storage;

  if (!ReserveBuffer(record, record->length + count + 1)) return false;
  if (own_storage) source = record->data + offset;
  std::memmove(record->data + record->length, source, static_cast<size_t>(count));
  record->length += count;
  record->data[record->length] = '\0';
  return true;
}

void ClearBuffer(BufferRecord* record) {
  record->length = 0;
  if (record->data) record->data[0] = '\0';
}

}  // namespace vx
