#include "runtime/values.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "runtime/heap.h"
#include "runtime/messages.h"
#include "runtime/runtime.h"

namespace vx {

const char kEmptyText[] = "";
const ByteDataBlock kEmptyByteData = {1, 0};

void ReportAllocationFailure(size_t size) {
  char message[96];
  std::snprintf(message, sizeof message, kAllocationFailedFormat, static_cast<long long>(size));
  ReportRuntimeError(0, message, 0, 0);
}

namespace {

std::atomic<int64_t> heap_bytes_in_use{0};
std::atomic<int64_t> heap_limit_for_testing{-1};

// Whether `size` more bytes stay within the tests' limit.
bool WithinHeapLimit(size_t size) {
  int64_t limit = heap_limit_for_testing.load(std::memory_order_relaxed);
  return limit < 0 || heap_bytes_in_use.load() + static_cast<int64_t>(size) <= limit;
}

void CountHeapBlock(const void* block, int64_t sign) {
  heap_bytes_in_use.fetch_add(sign * static_cast<int64_t>(PlatformHeapBlockSize(block)),
                              std::memory_order_relaxed);
}

struct Area {
  const unsigned char* begin;
  const unsigned char* end;
};

// Found once, by whichever thread asks first (InitializeRuntime does): FreeBlock may run on
// several threads at once, and one that saw half of the bounds would free a constant.
const Area& ConstantArea() {
  static const Area area = [] {
    Area bounds;
    PlatformImageBounds(&bounds.begin, &bounds.end);
    return bounds;
  }();
  return area;
}

// Copying out of the constant area may read past the constant into its neighbours, which are
// mapped; the address sanitizer would take that for an overflow of the one constant.
#if defined(__GNUC__)
__attribute__((no_sanitize_address))
#endif
void CopyOutOfConstantArea(void* destination, const void* source, size_t count) {
  auto* to = static_cast<unsigned char*>(destination);
  auto* from = static_cast<const volatile unsigned char*>(source);
  for (size_t i = 0; i < count; ++i) to[i] = from[i];
}

}  // namespace

void RecordConstantArea() {
  ConstantArea();
}
int64_t HeapBytesInUse() {
  return heap_bytes_in_use.load();
}
void SetHeapLimitForTesting(int64_t limit) {
  heap_limit_for_testing = limit;
}

bool IsInConstantArea(const void* p) {
  const Area& area = ConstantArea();
  auto* byte = static_cast<const unsigned char*>(p);
  return byte >= area.begin && byte < area.end;
}

void* TryAllocateBlock(size_t size) {
  CheckAllocationAllowed();
  if (!WithinHeapLimit(size)) return nullptr;
  void* block = PlatformHeapAllocate(size);
  if (block) CountHeapBlock(block, 1);
  return block;
}

void* AllocateBlock(size_t size) {
  void* block = TryAllocateBlock(size);
  if (!block) ReportAllocationFailure(size);
  return block;
}

void* TryReallocateBlock(void* block, size_t size) {
  CheckAllocationAllowed();
  if (!block) return TryAllocateBlock(size);
  if (IsInConstantArea(block)) {
    size_t available =
        static_cast<size_t>(ConstantArea().end - static_cast<const unsigned char*>(block));
    void* fresh = TryAllocateBlock(size);
    if (fresh) CopyOutOfConstantArea(fresh, block, size < available ? size : available);
    return fresh;
  }
  size_t old_size = PlatformHeapBlockSize(block);
  void* resized = size <= old_size || WithinHeapLimit(size - old_size)
                      ? PlatformHeapReallocate(block, size)
                      : nullptr;
  if (!resized) return nullptr;
  heap_bytes_in_use.fetch_sub(static_cast<int64_t>(old_size), std::memory_order_relaxed);
  CountHeapBlock(resized, 1);
  return resized;
}

void* ReallocateBlock(void* block, size_t size) {
  void* resized = TryReallocateBlock(block, size);
  if (!resized) ReportAllocationFailure(size);
  return resized;
}

void FreeBlock(void* block) {
  if (!block || IsInConstantArea(block)) return;
  CountHeapBlock(block, -1);
  PlatformHeapFree(block);
}

Text CopyText(const char* text) {
  if (!text || !*text) return nullptr;
  return CopyTextBytes(text, static_cast<int64_t>(std::strlen(text)));
}

Text CopyTextBytes(const void* bytes, int64_t count) {
  if (count < 1) return nullptr;
  auto* text = static_cast<char*>(AllocateBlock(static_cast<size_t>(count) + 1));
  std::memcpy(text, bytes, static_cast<size_t>(count));
  text[count] = '\0';
  return text;
}

ByteData MakeByteData(const void* bytes, int64_t count) {
  if (count <= 0) return nullptr;
  auto* data = static_cast<ByteData>(AllocateBlock(sizeof(ByteDataBlock) + count));
  data->marker = 1;
  data->length = count;
  std::memcpy(ByteDataBytes(data), bytes, static_cast<size_t>(count));
  return data;
}

int32_t TextLength(const char* text) {
  return text ? static_cast<int32_t>(std::strlen(text)) : 0;
}

int CompareText(const char* a, const char* b) {
  if (!a) return (!b || !*b) ? 0 : -1;
  if (!b) return *a ? 1 : 0;
  int order = std::strcmp(a, b);  // strcmp compares as unsigned char
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

// Lengths are counted in 64 bits: a text may pass 4 GB, which TextLength's count cannot hold.
Text ConcatTexts(std::initializer_list<const char*> texts) {
  size_t total = 0;
  for (const char* text : texts) total += text ? std::strlen(text) : 0;
  auto* result = static_cast<char*>(AllocateBlock(total + 1));
  char* cursor = result;
  for (const char* text : texts) {
    size_t length = text ? std::strlen(text) : 0;
    if (length) std::memcpy(cursor, text, length);
    cursor += length;
  }
  *cursor = '\0';
  return result;
}

ValueArray AllocateArray(int32_t count) {
  size_t size = sizeof(ArrayBlock) + sizeof(void*) * static_cast<size_t>(count);
  auto* array = static_cast<ValueArray>(AllocateBlock(size));
  array->dimensions = 1;
  array->count = count;
  std::memset(ArrayElements(array), 0, sizeof(void*) * static_cast<size_t>(count));
  return array;
}

void FreeArrayOfBlocks(ValueArray array) {
  if (!array || IsInConstantArea(array)) return;
  void** elements = ArrayElements(array);
  for (int32_t i = 0; i < array->count; ++i) FreeBlock(elements[i]);
  FreeBlock(array);
}

}  // namespace vx
