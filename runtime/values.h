// The value forms of the whole program and the runtime heap they live on.
//
// Ownership: a value returned by a service belongs to the caller, who releases it with
// FreeBlock; arguments are borrowed and copied by whoever keeps them. The empty value is
// null: readers treat a null text like "" and a null byte-data value like {1, 0}.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>

namespace vx {

// A zero-terminated run of bytes in the ANSI code page (GBK). Lengths count bytes.
using Text = char*;

// Byte data: the header is followed by `length` bytes, without terminator. The length is 64
// bits wide: an items image of a hundred million rows passes 4 GB.
struct ByteDataBlock {
  int32_t marker;  // always 1
  int64_t length;
};
using ByteData = ByteDataBlock*;

// A one-dimension array: the header is followed by `count` pointer-sized elements, each a
// Text or ByteData owned by the array (null for an empty member).
struct ArrayBlock {
  int32_t dimensions;  // always 1 for the arrays this program makes
  int32_t count;
};
using ValueArray = ArrayBlock*;

// Days since 1899-12-30 00:00 local time; the fraction is the time of day. A type of its own so
// that commands taking values of any kind tell it from a plain double.
struct DateTime {
  double days;
};

// The shared constants that handler code passes instead of null.
extern const char kEmptyText[];
extern const ByteDataBlock kEmptyByteData;

// --- The runtime heap -------------------------------------------------------------------

// A block of `size` bytes, not zeroed. Never null: a failure is a fatal runtime error.
void* AllocateBlock(size_t size);
// AllocateBlock for a command that can refuse its work when memory is short: null then.
void* TryAllocateBlock(size_t size);
// Resizes `block` (null: allocates); a block in the constant area is copied out of it.
void* ReallocateBlock(void* block, size_t size);
// ReallocateBlock for a command that can refuse its work when memory is short: null then, with
// `block` kept as it was.
void* TryReallocateBlock(void* block, size_t size);
// Releases `block`; ignores null and pointers into the constant area.
void FreeBlock(void* block);
// The fatal report of a failed allocation of `size` bytes, for memory that does not come from
// AllocateBlock.
[[noreturn]] void ReportAllocationFailure(size_t size);
// True when `p` points into the program's static image, which FreeBlock never releases.
bool IsInConstantArea(const void* p);

// --- Texts and byte data -------------------------------------------------------------------

// Fresh copy of `text`, or null when it is null or "".
Text CopyText(const char* text);
// Fresh text of the `count` bytes at `bytes` plus a terminator, or null when count < 1.
Text CopyTextBytes(const void* bytes, int64_t count);
// Fresh byte data holding the `count` bytes at `bytes`, or null when count is 0.
ByteData MakeByteData(const void* bytes, int64_t count);
// Byte count of `text`; null counts as 0.
int32_t TextLength(const char* text);
// -1, 0 or 1 in unsigned byte order; null equals "".
int CompareText(const char* a, const char* b);
// A fresh text joining the operands in order; always allocated, even when empty.
Text ConcatTexts(std::initializer_list<const char*> texts);

inline int64_t ByteDataLength(const ByteDataBlock* data) {
  return data ? data->length : 0;
}
inline const unsigned char* ByteDataBytes(const ByteDataBlock* data) {
  return data ? reinterpret_cast<const unsigned char*>(data + 1) : nullptr;
}
inline unsigned char* ByteDataBytes(ByteDataBlock* data) {
  return reinterpret_cast<unsigned char*>(data + 1);
}

// --- Arrays ----------------------------------------------------------------------------------

// A fresh one-dimension array of `count` null elements.
ValueArray AllocateArray(int32_t count);
inline int32_t ArrayCount(const ArrayBlock* array) {
  return array ? array->count : 0;
}
// The elements, numbered from 0 here (members are numbered from 1 in handler code).
inline void** ArrayElements(ArrayBlock* array) {
  return reinterpret_cast<void**>(array + 1);
}
inline void* const* ArrayElements(const ArrayBlock* array) {
  return reinterpret_cast<void* const*>(array + 1);
}
// Releases every member and then the array itself.
void FreeArrayOfBlocks(ValueArray array);

// --- Holders for values that cross a branch --------------------------------------------------

struct BlockDeleter {
  void operator()(void* block) const { FreeBlock(block); }
};
struct ArrayDeleter {
  void operator()(ArrayBlock* array) const { FreeArrayOfBlocks(array); }
};
using OwnedText = std::unique_ptr<char, BlockDeleter>;
using OwnedByteData = std::unique_ptr<ByteDataBlock, BlockDeleter>;
using OwnedArray = std::unique_ptr<ArrayBlock, ArrayDeleter>;

}  // namespace vx
