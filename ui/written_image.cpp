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
  uint64_t position = 0;
  uint64_t row_count = 0;
  ImageEntry entry;
  while (ReadImageEntry(bytes, size, position, &entry)) {
    if (entry.starts_row) {
      if (row_count == most_rows) break;  // more rows than a list counts
      rows[row_count++] = position;
    }
    position = entry.end;
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

// Entries from a row entry on are whole up to complete_end_, as the walk found them.
ImageEntry WrittenImage::EntryAt(uint64_t position) const {
  ImageEntry entry{};
  ReadImageEntry(bytes_, complete_end_, position, &entry);
  return entry;
}

TextRun WrittenImage::Cell(int32_t row, int32_t column) const {
  ImageEntry entry = EntryAt(row_entries_[row]);
  for (int32_t k = 0; k < column; ++k) {
    if (entry.end >= complete_end_ || bytes_[entry.end] == 0) return {"", 0};
    entry = EntryAt(entry.end);
  }
  return entry.text;
}

TextRun WrittenImage::InfoTip(int32_t row) const {
  return EntryAt(row_entries_[row]).second;
}

}  // namespace vx
