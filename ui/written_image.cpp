#include "ui/written_image.h"

#include "runtime/splitting.h"
#include "ui/image_entries.h"

namespace vx {

namespace {
constexpr uint64_t kSmallestEntry = kEntryHeaderSize + 2;  // header and two empty texts
}  // namespace

// Column entries are not indexed: a cell read walks from its row entry, at most three entries on.
WrittenImage::WrittenImage(std::shared_ptr<const void> holder, const unsigned char* bytes,
                           int64_t length)
    : holder_(std::move(holder)) {
  if (!bytes || length <= 0) return;
  bytes_ = bytes;
  length_ = length;
  auto size = static_cast<uint64_t>(length);
  // Every entry takes at least kSmallestEntry bytes: room for the most rows there can be.
  uint64_t most_rows = size / kSmallestEntry;
  if (most_rows > INT32_MAX) most_rows = INT32_MAX;
  if (most_rows == 0) return;
  auto* rows = static_cast<uint64_t*>(AllocateBlock(most_rows * sizeof(uint64_t)));
  const unsigned char* end = bytes + size;
  uint64_t position = 0;
  uint64_t row_count = 0;
  while (size - position >= kSmallestEntry) {
    const unsigned char* text_end = FindZero(bytes + position + kEntryHeaderSize, end);
    if (!text_end) break;
    const unsigned char* second_end = FindZero(text_end + 1, end);
    if (!second_end) break;
    if (bytes[position] == 0) {
      if (row_count == most_rows) break;  // more rows than a list counts
      rows[row_count++] = position;
    }
    position = static_cast<uint64_t>(second_end + 1 - bytes);
  }
  complete_end_ = position;
  row_count_ = static_cast<int32_t>(row_count);
  if (row_count == 0) {
    FreeBlock(rows);
  } else {
    row_entries_ = static_cast<uint64_t*>(ReallocateBlock(rows, row_count * sizeof(uint64_t)));
  }
}

WrittenImage::WrittenImage(std::shared_ptr<const void> holder, const unsigned char* bytes,
                           int64_t length, uint64_t* row_offsets, int32_t row_count)
    : holder_(std::move(holder)), row_entries_(row_offsets) {
  if (!bytes || length <= 0) return;
  bytes_ = bytes;
  length_ = length;
  complete_end_ = static_cast<uint64_t>(length);
  row_count_ = row_count;
}

WrittenImage::~WrittenImage() {
  FreeBlock(row_entries_);
}

const unsigned char* WrittenImage::TextEnd(uint64_t position) const {
  return FindZero(bytes_ + position, bytes_ + complete_end_);
}

uint64_t WrittenImage::NextEntry(uint64_t position) const {
  const unsigned char* second = TextEnd(position + kEntryHeaderSize) + 1;
  return static_cast<uint64_t>(TextEnd(static_cast<uint64_t>(second - bytes_)) + 1 - bytes_);
}

TextRun WrittenImage::Cell(int32_t row, int32_t column) const {
  uint64_t position = row_entries_[row];
  for (int32_t k = 0; k < column; ++k) {
    position = NextEntry(position);
    if (position >= complete_end_ || bytes_[position] == 0) return {"", 0};
  }
  const unsigned char* text = bytes_ + position + kEntryHeaderSize;
  return {reinterpret_cast<const char*>(text),
          static_cast<size_t>(TextEnd(position + kEntryHeaderSize) - text)};
}

TextRun WrittenImage::InfoTip(int32_t row) const {
  uint64_t text = row_entries_[row] + kEntryHeaderSize;
  const unsigned char* second = TextEnd(text) + 1;
  const unsigned char* second_end = TextEnd(static_cast<uint64_t>(second - bytes_));
  return {reinterpret_cast<const char*>(second), static_cast<size_t>(second_end - second)};
}

}  // namespace vx
