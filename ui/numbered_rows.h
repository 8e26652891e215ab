// The compact form of the rows that import and duplicate removal write: row i is numbered i + 1
// and has at most one text column. Instead of the items image's bytes, the form keeps one pointer
// per row to its text, a zero-terminated run inside a block that the rows keep alive (the
// imported file, or an image written whole). Every image byte, cell and info tip of such rows
// follows from these, so the image is written out only when someone reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "runtime/values.h"

namespace vx {

class NumberedRows {
 public:
  // Takes `texts` over (from AllocateBlock, `count` of them; null when count is 0). Each is the
  // text of its row, zero-terminated, or null for a row without a text column; they lie in the
  // `held_bytes` bytes that `holder` keeps alive.
  NumberedRows(std::shared_ptr<const void> holder, size_t held_bytes, const char** texts,
               int32_t count);
  ~NumberedRows();
  NumberedRows(const NumberedRows&) = delete;
  NumberedRows& operator=(const NumberedRows&) = delete;

  int32_t count() const { return count_; }
  // The text of `row` (0 to count - 1), or null when the row has no text column.
  const char* text(int32_t row) const { return texts_[row]; }
  const char* const* texts() const { return texts_; }
  const std::shared_ptr<const void>& holder() const { return holder_; }

  // The rows as items image entries: each row entry with its number, then its column entry.
  int64_t ImageLength() const;
  // Writes the ImageLength() bytes of the image to `bytes`.
  void WriteImage(unsigned char* bytes) const;

  size_t held_bytes() const { return held_bytes_; }
  // Bytes held for the pointers and the texts.
  size_t MemoryUsed() const {
    return held_bytes_ + static_cast<size_t>(count_) * sizeof(const char*);
  }

 private:
  std::shared_ptr<const void> holder_;
  size_t held_bytes_;
  const char** texts_;
  int32_t count_;
};

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

// The decimal digits of `number` (1 or more) into `digits` (room for 10); returns their count.
int32_t SpellRowNumber(int32_t number, char* digits);

// The rows of an image that holds exactly such entries: fixed headers, row numbers 1, 2, 3 ... in
// order, at most one column entry per row, empty second texts and nothing after the last entry.
// The texts point into `bytes`, which `holder` keeps alive. Null for an image of any other shape.
std::shared_ptr<const NumberedRows> ReadNumberedRows(std::shared_ptr<const void> holder,
                                                     const unsigned char* bytes, int64_t length);

// The first row from `start` on, wrapping past the last of `count` rows to row 0, whose number
// begins with the `length` bytes at `prefix`; -1 when none does.
int32_t FindNumberStartingWith(int32_t count, int32_t start, const char* prefix, size_t length);

}  // namespace vx
