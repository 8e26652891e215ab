// What import and duplicate removal share when they write the list's items image: the row
// numbers they count up, the buffer they write it into, and its install.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "pipeline/pipeline_state.h"
#include "runtime/values.h"
#include "ui/units.h"

namespace vx {

// The largest items image: the largest byte buffer of the runtime.
inline constexpr int64_t kLargestImage = 0x7FFFFFFE;

// A row number as decimal text ("%d"), counted up in place: numbering millions of rows one after
// another costs a digit step each instead of a formatting call.
class RowNumberText {
 public:
  // `value` is 1 or more.
  explicit RowNumberText(int64_t value) {
    for (uint64_t rest = static_cast<uint64_t>(value); rest; rest /= 10) {
      digits_[--begin_] = static_cast<char>('0' + rest % 10);
    }
  }

  // Adds 1.
  void Increment() {
    int position = kDigits - 1;
    while (position >= begin_ && digits_[position] == '9') digits_[position--] = '0';
    if (position >= begin_) {
      ++digits_[position];
    } else {
      digits_[--begin_] = '1';
    }
  }

  const char* text() const { return digits_ + begin_; }
  int32_t length() const { return kDigits - begin_; }

 private:
  static constexpr int kDigits = 24;
  char digits_[kDigits];
  int begin_ = kDigits;
};

// An items image written straight into the byte data that the list will take over, so that it
// is never copied, and the offsets of its row entries, so that the list need not walk it. Room
// for more than kLargestImage bytes is a fatal runtime error, as running out of memory is.
class ImageWriter {
 public:
  // Room for `capacity` bytes and the offsets of `rows` row entries.
  ImageWriter(int64_t capacity, int64_t rows);
  ~ImageWriter() {
    FreeBlock(block_);
    FreeBlock(row_offsets_);
  }
  ImageWriter(const ImageWriter&) = delete;
  ImageWriter& operator=(const ImageWriter&) = delete;

  void Append(const void* bytes, size_t count) {
    if (count == 0) return;
    if (static_cast<int64_t>(count) > capacity_ - block_->length) Grow(count);
    std::memcpy(ByteDataBytes(block_) + block_->length, bytes, count);
    block_->length += static_cast<int32_t>(count);
  }
  // Appends the row header of a row entry and notes where the entry starts.
  void AppendRowHeader() {
    if (row_count_ == row_capacity_) GrowRowOffsets();
    row_offsets_[row_count_++] = static_cast<uint32_t>(block_->length);
    Append(kRowHeader, sizeof kRowHeader);
  }
  // Bytes that are not whole entries, or whose row entries are not noted: the list then finds
  // the rows itself.
  void AppendUnindexed(const void* bytes, size_t count) {
    indexed_ = indexed_ && count == 0;
    Append(bytes, count);
  }

  // The list is to find the rows itself.
  void DropRowIndex() { indexed_ = false; }

  const unsigned char* bytes() const { return ByteDataBytes(block_); }
  int32_t length() const { return block_->length; }

  // The image written, as byte data that the caller owns (null when empty); the writer is left
  // without storage.
  ByteData Finish();
  // Hands the image written over to `list` as its items (see InstallItems); the writer is left
  // without storage.
  void InstallInto(UnitRef list);

 private:
  void Grow(size_t count);
  void GrowRowOffsets();

  ByteData block_;
  int64_t capacity_;
  uint32_t* row_offsets_ = nullptr;
  int64_t row_count_ = 0;
  int64_t row_capacity_;
  bool indexed_ = true;
};

// Installs `image` as the list's items, handing it over: the list is hidden and kept from
// repainting while it rebuilds all its rows. With `row_offsets` (from AllocateBlock, the
// offsets of the image's `row_count` row entries; taken over) the list takes its rows from them.
void InstallItems(UnitRef list, OwnedByteData image, uint32_t* row_offsets = nullptr,
                  int32_t row_count = 0);

}  // namespace vx
