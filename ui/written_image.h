// An items image kept exactly as it was written, for images of any shape (ui/image_entries.h): its
// bytes, and where each of its row entries starts, so that a cell is found without walking the
// image. An entry that the image cuts short is dropped, and so is everything after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "runtime/values.h"

namespace vx {

struct TextRun {
  const char* text;
  size_t length;
};

struct ImageEntry;

class WrittenImage {
 public:
  // Keeps the `length` bytes at `bytes`, which `holder` keeps alive, and finds their row entries
  // in one walk.
  WrittenImage(std::shared_ptr<const void> holder, const unsigned char* bytes, int64_t length);
  // The same for an image made of whole entries whose row entries start at `row_offsets` (from
  // AllocateBlock, `row_count` of them, taken over).
  WrittenImage(std::shared_ptr<const void> holder, const unsigned char* bytes, int64_t length,
               uint64_t* row_offsets, int32_t row_count);
  ~WrittenImage();
  WrittenImage(const WrittenImage&) = delete;
  WrittenImage& operator=(const WrittenImage&) = delete;

  const unsigned char* bytes() const { return bytes_; }
  int64_t length() const { return length_; }
  const std::shared_ptr<const void>& holder() const { return holder_; }
  int32_t row_count() const { return row_count_; }

  // The text of column `column` (0 to 3) of row `row` (0 to row_count - 1): the entry's text, or
  // empty when the row has fewer column entries.
  TextRun Cell(int32_t row, int32_t column) const;
  // The second text of row entry `row`.
  TextRun InfoTip(int32_t row) const;

  size_t MemoryUsed() const {
    return static_cast<size_t>(length_) + static_cast<size_t>(row_count_) * sizeof(uint64_t);
  }

 private:
  // The whole entry at `position`, an entry's start inside the complete entries.
  ImageEntry EntryAt(uint64_t position) const;

  std::shared_ptr<const void> holder_;
  const unsigned char* bytes_ = nullptr;
  int64_t length_ = 0;
  uint64_t* row_entries_ = nullptr;
  int32_t row_count_ = 0;
  uint64_t complete_end_ = 0;  // where the last complete entry ends
};

}  // namespace vx
