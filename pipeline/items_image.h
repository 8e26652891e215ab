// What import and duplicate removal share when they write the list's items image: the row
// numbers they count up, the buffer they write it into, and its install.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

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
// is never copied. Room for more than kLargestImage bytes is a fatal runtime error, as running
// out of memory is.
class ImageWriter {
 public:
  explicit ImageWriter(int64_t capacity);
  ~ImageWriter() { FreeBlock(block_); }
  ImageWriter(const ImageWriter&) = delete;
  ImageWriter& operator=(const ImageWriter&) = delete;

  void Append(const void* bytes, size_t count) {
    if (count == 0) return;
    if (static_cast<int64_t>(count) > capacity_ - block_->length) Grow(count);
    std::memcpy(ByteDataBytes(block_) + block_->length, bytes, count);
    block_->length += static_cast<int32_t>(count);
  }

  const unsigned char* bytes() const { return ByteDataBytes(block_); }
  int32_t length() const { return block_->length; }

  // The image written, as byte data that the caller owns (null when empty); the writer is left
  // without storage.
  ByteData Finish();

 private:
  void Grow(size_t count);

  ByteData block_;
  int64_t capacity_;
};

// Installs `image` as the list's items, handing it over: the list is hidden and kept from
// repainting while it rebuilds all its rows.
void InstallItems(UnitRef list, OwnedByteData image);

}  // namespace vx
