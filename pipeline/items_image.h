// What import and duplicate removal share when they write the list's items image: the row
// numbers they count up, the buffer they write it into, and its install.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "pipeline/pipeline_state.h"
#include "runtime/values.h"
#include "ui/image_entries.h"
#include "ui/numbered_rows.h"
#include "ui/units.h"

namespace vx {

// An items image written straight into the byte data that the list will take over, so that it
// is never copied, and the offsets of its row entries, so that the list need not walk it.
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

  // The entries of EntryWriter (ui/image_entries.h), appended; the row entries' starts are noted.
  void RowEntry(const char* number, size_t length) {
    NoteRow();
    Append([&](EntryWriter& entries) { entries.RowEntry(number, length); });
  }
  void RowStart(const void* bytes, size_t count) {
    NoteRow();
    Append([&](EntryWriter& entries) { entries.RowStart(bytes, count); });
  }
  void ColumnEntry(const void* text, size_t length) {
    Append([&](EntryWriter& entries) { entries.ColumnEntry(text, length); });
  }
  void Bytes(const void* bytes, size_t count) {
    Append([&](EntryWriter& entries) { entries.Bytes(bytes, count); });
  }
  // Bytes that are not whole entries, or whose row entries are not noted: the list then finds
  // the rows itself.
  void UnindexedBytes(const void* bytes, size_t count) {
    indexed_ = indexed_ && count == 0;
    Bytes(bytes, count);
  }

  // The list is to find the rows itself.
  void DropRowIndex() { indexed_ = false; }

  const unsigned char* bytes() const { return ByteDataBytes(block_); }
  int64_t length() const { return block_->length; }

  // The image written, as byte data that the caller owns (null when empty); the writer is left
  // without storage.
  ByteData Finish();
  // Hands the image written over to `list` as its items (see InstallItems); the writer is left
  // without storage.
  void InstallInto(UnitRef list);

 private:
  // The entries `put` makes, measured first and then written at the end of the image.
  template <typename Entries>
  void Append(Entries&& put) {
    EntryWriter measure;
    put(measure);
    auto count = static_cast<int64_t>(measure.length());
    if (count > capacity_ - block_->length) Grow(static_cast<size_t>(count));
    EntryWriter writer(ByteDataBytes(block_) + block_->length);
    put(writer);
    block_->length += count;
  }
  void NoteRow() {
    if (row_count_ == row_capacity_) GrowRowOffsets();
    row_offsets_[row_count_++] = static_cast<uint64_t>(block_->length);
  }
  void Grow(size_t count);
  void GrowRowOffsets();

  ByteData block_;
  int64_t capacity_;
  uint64_t* row_offsets_ = nullptr;
  int64_t row_count_ = 0;
  int64_t row_capacity_;
  bool indexed_ = true;
};

// Installs `image` as the list's items, handing it over: the list is hidden and kept from
// repainting while it rebuilds all its rows. With `row_offsets` (from AllocateBlock, the
// offsets of the image's `row_count` row entries; taken over) the list takes its rows from them.
void InstallItems(UnitRef list, OwnedByteData image, uint64_t* row_offsets = nullptr,
                  int32_t row_count = 0);
// The same for rows in their compact form.
void InstallNumberedRows(UnitRef list, std::shared_ptr<const NumberedRows> rows);

}  // namespace vx
