// The record behind RapidString and its growth rule. Records and their storage come from malloc,
// not from the runtime heap.
#pragma once

#include <cstdint>
#include <memory>

namespace vx {

struct BufferRecord {
  unsigned char* data;   // null until the first reservation
  int64_t length;        // bytes in use; a zero byte follows them once there is storage
  int64_t capacity;      // bytes usable at data, as the growth rule gives them
  int64_t min_capacity;  // the size of the first allocation
  int64_t max_capacity;  // the largest capacity allowed
  int64_t growth_step;   // added to the needed size when the buffer grows past min_capacity
  int64_t allocated;     // bytes allocated at data: at least capacity, at most max_capacity
};

inline constexpr int64_t kDefaultMinCapacity = 10240;
// No limit of the buffers' own: a 64-bit program's buffers may hold whatever memory allows.
inline constexpr int64_t kDefaultMaxCapacity = int64_t{1} << 62;
inline constexpr int64_t kDefaultGrowthStep = 10240;

// Frees storage that a buffer handed over, as the buffers allocate it.
struct BufferStorageDeleter {
  void operator()(unsigned char* storage) const;
};
// Storage handed over by a buffer, zero-terminated after its content; null when it had none.
using BufferStorage = std::unique_ptr<unsigned char, BufferStorageDeleter>;

// A new empty record with the default sizes, or null when memory is short.
BufferRecord* CreateBufferRecord();
// Frees the storage and the record; null is ignored.
void DestroyBufferRecord(BufferRecord* record);

// The capacity the growth rule gives for `needed` bytes: min_capacity when that suffices,
// else needed + growth_step, at most max_capacity; -1 when needed is above max_capacity.
int64_t GrownCapacity(const BufferRecord& record, int64_t needed);

// Makes room for `needed` bytes in all, the terminator included, keeping the content, and sets
// the capacity by the growth rule. False, with the buffer unchanged, when needed is negative or
// above max_capacity or memory is short.
bool ReserveBuffer(BufferRecord* record, int64_t needed);

// Appends `count` bytes (which may lie in the buffer's own storage) and the terminator. False,
// with the buffer unchanged, when the reservation fails.
bool AppendToBuffer(BufferRecord* record, const void* bytes, int64_t count);

// Empties the buffer and keeps its storage.
void ClearBuffer(BufferRecord* record);

}  // namespace vx
